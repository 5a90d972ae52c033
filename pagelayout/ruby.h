#pragma once

#include <QImage>
#include <QRect>

#include <vector>

namespace quillpix::pagelayout {

// Readings (furigana) beside vertical lines: kana at about half size, set just right of the
// characters they read. The engine takes them for lines of their own and mixes them into the
// text, so they are taken off the page before it reads.
//
// Of the ink's pieces (boxes in any one scale, em the character size in that scale), those
// that are narrow, lie right of the column the wide pieces around them form, outside it, and
// close to it; or that lie left of the leftmost column, a little apart from it, where the
// readings of a column left out of a frame are. Columns are found near each piece (a few characters
// up and down), so columns that end, tiers and a slight slant are no trouble.
std::vector<QRect> readingMarks(const std::vector<QRect>& pieces, double em);

// The picture with the boxes (in working pixels, scale picture pixels each) painted over in
// the paper's grey, a working pixel around them too.
QImage paintedOver(const QImage& picture, const std::vector<QRect>& boxes, int scale, int paper);

} // namespace quillpix::pagelayout
