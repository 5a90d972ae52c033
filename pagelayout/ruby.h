#pragma once

#include <QImage>
#include <QRect>

#include <vector>

namespace quillpix::pagelayout {

// Ruby (furigana) beside vertical lines: kana at about half size, set just right of the
// characters they read. The engine takes them for lines of their own and mixes them into the
// text, so they are taken off the page before it reads.
//
// Of the ink's pieces (boxes in any one scale, em the character size in that scale), those
// that are narrow, lie right of the column the wide pieces around them form, outside it, and
// close to it; or that lie left of the leftmost column, a little apart from it, where the
// ruby of a column left out of a frame are. Columns are found near each piece (a few characters
// up and down), so columns that end, tiers and a slight slant are no trouble.
//
// The engine reading a page of columns (jpn_vert, --psm 5) takes ruby set close beside
// their column into that column's line and leaves them out of the text; taken off the page,
// the column reads a little worse. Ruby the engine does read are those standing apart, in
// a lane of paper of their own, those of a column the frame left out, which stand as a
// column of their own, and on a page of tightly set columns, where most ruby stands nearer
// to the next column than a third of a character, all of them: Marks::TheEngineReads keeps
// those alone, Marks::OfColumnsLeftOut those of a column left out.
enum class Marks { All, TheEngineReads, OfColumnsLeftOut };
std::vector<QRect> rubyMarks(const std::vector<QRect>& pieces, double em, Marks which = Marks::All);

// The picture with the boxes (in working pixels, scale picture pixels each) painted over in
// the paper's grey, a working pixel around them too.
QImage paintedOver(const QImage& picture, const std::vector<QRect>& boxes, int scale, int paper);

// The picture with the ruby's ink taken off: within each mark (in working pixels, scale
// picture pixels each) and a working pixel around it, but outside every other piece of ink,
// the pixels clearly darker than the paper become paper; the paper's grain is left as it is.
QImage rubyPaintedOver(const QImage& picture, const std::vector<QRect>& marks,
                       const std::vector<QRect>& pieces, int scale, int paper, int threshold);

} // namespace quillpix::pagelayout
