#pragma once

#include "direction.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The automatic reading ("自動"): from a picture alone, what the page is (its direction, whether
// it stands in one block) and the picture prepared for the engine. No engine runs here.
namespace quillpix::pagelayout {

struct Ink;
struct SeparatedInk;
// Whether the text is large enough, both ways, for the engine's orientation detection to be
// trusted with it (and ink without text never is): at least kLeastEmsToOrient characters from the
// first ink to the last across and down (three lines at the usual pitches of 1.65 to 1.95
// characters fall short, four reach it), so that a cut-out of a line, a column or a few characters
// is never turned, whichever way it was found to lie.
constexpr double kLeastEmsToOrient = 5.0;
bool enoughTextToOrient(const Ink& ink);
bool enoughTextToOrient(const QImage& picture);

// Whether the ink stands in one block across: no gap of more than a few characters runs down
// the whole text between two parts of it, as one between two columns does.
bool oneBlockAcross(const Ink& ink);
// Whether a piece of ink is longer than any character, even a dash of two: a rule, a table's
// frame, a box round a figure, a dark band under a heading. The single block mode reads through
// such ink and loses the cells and the white text on it, so such a page is no one block.
bool inkBesideText(const Ink& ink);

// What becomes of furigana on vertical text: painted over before the engine reads, or left for
// the engine.
enum class Ruby { PaintedOver, Kept };
// What becomes of the running head and page number of a vertical page: taken off, since a text
// made for reading usually wants the prose alone, or left to be read with the page.
enum class RunningHeads { LeftOut, Kept };

// One text region of the page, read on its own: cut from the prepared picture with half a
// character of paper around its ink (light text on a dark ground turned dark on light, small
// characters enlarged), where it lies there, its own direction, and whether it stands in one
// block (no rule, frame or band among its lines).
struct RegionPart {
    QImage picture;
    QPoint at;           // its top-left corner on the prepared picture
    double enlarged = 1; // the picture is the prepared picture's pixels this many times over
    Direction direction = Direction::Horizontal;
    bool oneBlock = true;
};

struct ReadingPlan {
    // The picture holds text (holdsText): false for noise, blank paper, a speck or a
    // photograph without writing, which is then read as it came, as horizontal text with the
    // chosen mode (never as one block), and nothing else of the plan is done.
    bool textFound = true;
    Direction direction = Direction::Horizontal;
    double skewDegrees = 0;     // the turn given to the picture, clockwise; 0 when left as it was
    int partsErased = 0;        // parts of lines cut by the picture's edge, taken off
    int rubyErased = 0;         // pieces of furigana taken off the page
    int runningHeadsErased = 0; // running heads and page numbers of a vertical page taken off
    bool paperWhitened = false; // the paper's grain taken off a page with rules, frames or bands
    bool inverted = false;      // light text on a dark ground turned dark on light
    bool lightEvened = false;   // a page in uneven light made evenly white (evenedLight)
    // Bending lines drawn straight (dewarped); the boxes read on it are given back where they lie
    // on the straightened lines, within the bend of the curl of where the picture has them.
    bool curlFlattened = false;
    // The resolution to declare to the engine; none: declare none, so that it estimates it.
    std::optional<int> dotsPerInch;
    // The ink stands in one block across (see oneBlockAcross), as the page read whole needs to
    // be read with the single block mode.
    bool oneBlock = false;
    // What the steps found and did, one note each in the order they ran, for the user (the
    // explanation shown after the run joins them).
    QStringList notes;
    QList<QImage> pictures; // read one after the other with the settings, texts in this order
    // The text regions of a page that parts into two or more (textRegions), or the one region of
    // a page with ink beside it that is no text, in the order a
    // Japanese reader reads them, each read with the settings of its own direction instead of
    // the prepared picture as a whole; empty when the page stands in one region alone.
    std::vector<RegionPart> regions;
    // Why the picture could not be analysed, with the picture library's own words: "" when it
    // was. A failed plan holds the picture as it came.
    QString failure;
};

// In order: the ink is separated once; a picture without text (holdsText) is left as it is;
// the writing direction is found; the skew is searched
// and the picture straightened when the angle is sure; parts of lines cut by the picture's
// edge are painted over, and on vertical text the ruby beside the columns and the running head
// and page number; a horizontal page with rules, frames or dark bands gets white paper
// (paperWhitened, halfway from the ink threshold to the paper's grey); then the ink left is cut
// into text regions (textRegions) and a page of two or more is read region by region, in the
// reading order (tiers, columns, a headline over its text, a spread's two pages, a table inside
// a vertical page are all cases of it); the resolution follows from what the picture declares. An
// error of the picture library on the way (a picture too large for it) fails the plan; its warnings
// are part of the search and go nowhere, not to standard error (once routeLibraryMessages() is in
// force).
ReadingPlan planReading(const QImage& picture, Ruby ruby = Ruby::PaintedOver,
                        RunningHeads heads = RunningHeads::LeftOut);
// The same for a picture whose grey and ink have been separated already (separatedInk), which
// the plan takes over.
ReadingPlan planReading(const QImage& picture, SeparatedInk separated, Ruby ruby,
                        RunningHeads heads);

} // namespace quillpix::pagelayout
