#pragma once

#include <QImage>
#include <QRect>

#include <optional>
#include <vector>

// Books opened flat on the scanner (見開き): two pages side by side with a wide band of paper
// down the middle that no line crosses. A book's text wants them as two pages, each read on its
// own, the left one first on a horizontal book and the right one on a vertical book.
namespace quillpix::pagelayout {

struct Ink;

// Wider than a gap between words, a paragraph's indent or a table's cell gap, narrower than most
// gutters between columns, in characters: a gap this wide down the whole text parts two blocks.
constexpr double kLeastGutter = 2.0;

// Whether a piece is text for the blocks: not a speck of the fold's shadow nor the shadow
// itself, a band far taller than a character (horizontal text has no piece that tall).
bool countsAsText(const QRect& piece, double em);

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
// The same for a picture whose ink has been separated already (separatedInk).
std::optional<SpreadHalves> spreadHalves(const QImage& picture, const Ink& ink);

} // namespace quillpix::pagelayout
