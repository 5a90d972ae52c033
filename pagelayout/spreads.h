#pragma once

#include "tiers.h"

#include <QImage>
#include <QRect>

#include <optional>
#include <vector>

// Books opened flat on the scanner (見開き), and horizontal pages in columns: blocks of lines side
// by side with a band down the whole text that no line crosses. The engine's single block mode
// reads each line across the whole picture, so each left-page line would be run into the
// right-page line beside it. Set one under the other instead, the left block on top, the lines
// are read in the order a reader reads them: the left page, then the right one.
namespace quillpix::pagelayout {

struct Ink;

// Wider than a gap between words, a paragraph's indent or a table's cell gap, narrower than most
// gutters between columns, in characters: a gap this wide down the whole text parts two blocks.
constexpr double kLeastGutter = 2.0;

// Whether a piece is text for the blocks: not a speck of the fold's shadow nor the shadow
// itself, a band far taller than a character (horizontal text has no piece that tall).
bool countsAsText(const QRect& piece, double em);

// Where horizontal text stands in blocks side by side, in working pixels, left to right: each
// the box of its text pieces. Empty unless there are at least two, each many lines tall and many
// characters wide, with a band of more than a couple of characters between them running down
// the whole text: a page of one block, a line cut short, an indent, a crop of a few lines or a
// table's narrow columns give none.
std::vector<QRect> blocksSideBySide(const Ink& ink);

// The blocks (in picture pixels, left to right) set one under the other, the first on top, each
// at the left, with `gap` pixels of paper between them and around them.
PartsSet oneUnderAnother(const QImage& picture, const std::vector<QRect>& blocks, int gap,
                         int paper);

// A book opened flat on the glass is two pages: the picture is wider than tall, and a band of
// paper at least this many characters wide runs down the whole text near the picture's middle
// (two inner margins; a gutter between a page's columns is far narrower).
constexpr double kLeastFold = 4.0;

// The two pages of a spread, each the picture's part on its side of the fold, with the paper
// between the two texts (the fold's shadow) painted over in the paper's grey.
struct SpreadHalves {
    QImage left, right;
    int fold = 0; // the right half's first column on the picture
};

// Where, in working pixels, the band of paper between a spread's two pages lies: the widest
// band free of text (see countsAsText) at least kLeastFold characters wide whose middle lies in
// the middle third of the picture, with text enough on each side to be a page (as a block of
// blocksSideBySide). None for a picture taller than wide, a page of columns or a cut-out.
std::optional<std::pair<int, int>> foldBand(const Ink& ink);

// The picture parted at its fold; none when it is not a spread (see foldBand) or the picture
// library does not take it.
std::optional<SpreadHalves> spreadHalves(const QImage& picture);

} // namespace quillpix::pagelayout
