#pragma once

#include "textpicture.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <vector>

// The pictures the reading is measured on: A5 pages at 300 dpi in several Japanese fonts,
// horizontal and vertical, with and without readings, skewed, a book of mixed pages, and crops
// as a user drags them in the window, pages laid on the glass sideways or upside down; each
// scanned with blur, noise and sometimes JPEG; books opened flat on the glass, two pages at once.
namespace quillpix::readingbench {

enum class Category {
    Horizontal,
    LatinDense,
    Vertical,
    Furigana,
    Skewed,
    Book,
    Crops,
    TwoTiers,
    Turned,
    Tables,
    Photos,
    Spreads,
    WholeBook
};

QString categoryName(Category category);
std::vector<Category> allCategories();

struct TestPicture {
    QString name;
    Category category;
    workspace::Writing writing; // as typeset: what the expert would choose the settings by
    QImage image;               // 8-bit grey, carrying its true resolution
    QString reference;          // the main text, one line per line, readings left out
    QString family;
    double skewDegrees = 0; // the turn the scan gave the page, clockwise
    bool ruby = false;      // readings drawn beside the lines
    QString kind;           // a page made elsewhere (--pages): its folder's name
};

// The fonts measured by default, and two more families kept out of every choice of threshold,
// to see that nothing was fitted to the first four.
QStringList measuredFamilies();
QStringList heldOutFamilies();

// Every picture of the categories asked, in the given fonts. perFont scales how many pages of
// each kind are made per font (1 for the usual set).
// Pages with readings are set at the vertical pages' column pitches, or at rubyPitch (in
// characters) when it is given.
std::vector<TestPicture> makePictures(const QStringList& families,
                                      const std::vector<Category>& categories, int perFont,
                                      double rubyPitch = 0);

} // namespace quillpix::readingbench
