#pragma once

#include "tiers.h"

#include <QImage>
#include <QRect>

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

} // namespace quillpix::pagelayout
