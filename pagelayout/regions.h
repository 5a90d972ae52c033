#pragma once

#include "direction.h"

#include <QRect>

#include <vector>

// The text regions of a page, found in general rather than by the kind of page: the ink's pieces
// cut apart along the widest bands of paper, and along the rules and frames between them, until
// each part is one block of lines; each block with its own direction and character size, and the
// blocks in the order a Japanese reader reads them. Tiers, columns, a headline over vertical text
// and a table inside it all come out of the one cut.
namespace quillpix::pagelayout {

struct Ink;

struct Region {
    QRect box; // in working pixels of the ink
    Direction direction = Direction::Horizontal;
    double em = 0; // the block's own character size, in working pixels
    int pieces = 0;
    bool operator==(const Region&) const = default;
};

// A band of paper at least this many characters wide parts two blocks (the gap between two
// lines of a block is under one character at the usual pitches of 1.5 to 1.9).
constexpr double kLeastCutEms = 1.2;
// A band across a vertical page's columns (where every column of a part ends at once) parts at
// this width: the widest space between two characters of a column is about half a character,
// and the gap between the lines of a horizontal block inside a vertical page (a table) is under
// one.
constexpr double kLeastCrossingCutEms = 1.0;

// Which pieces are text: rules (long and thin, or longer than any run of characters: a fold's
// shadow, a bar), frames and pictures (larger than a character both ways) are left out; they
// still part the blocks they lie between.
bool isRule(const QRect& piece, double em);
bool isLargerThanText(const QRect& piece, double em);
// A band of colour or a filled shape (a title bar, a button, a chart's bar): at least a
// character thick both ways and two long, and at least this share of it ink. No character is;
// light text may lie on a band, and characters run together in bold are as full as a band
// with text on it, so a shape is no text only when fuller still.
constexpr double kLeastBandFill = 0.6;
constexpr double kLeastShapeFill = 0.75;
bool isBand(const Ink& ink, const QRect& piece, double leastFill = kLeastBandFill);

// The blocks of the pieces, cut recursively at the widest band of paper across or down the part
// (a band holding a rule along half the part or more counts as wide); a band across the part
// puts the upper part first, a band down it the right part first on a vertical page and the
// left part first otherwise.
// direction is the page's; each block's own is not found here (see textRegions).
std::vector<QRect> blocksOf(const std::vector<QRect>& pieces, double em, Direction direction);

// The text regions of the ink in reading order, each with its own direction; none without text.
// A block of fewer than two pieces or of characters smaller than the engine reads (grains) is
// no text region.
std::vector<Region> textRegions(const Ink& ink);

} // namespace quillpix::pagelayout
