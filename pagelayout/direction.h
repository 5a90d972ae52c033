#pragma once

#include <QImage>
#include <QSize>

namespace quillpix::pagelayout {

struct Ink;

enum class Direction { Horizontal, Vertical };

struct DirectionFinding {
    Direction direction = Direction::Horizontal;
    // How much more the ink falls into pieces when smeared across the lines than along them,
    // as a log ratio: positive for horizontal lines, negative for vertical ones, near 0 when the
    // smears cannot tell (a picture of one or two characters).
    double score = 0;
    bool byShape = false; // the score could not tell, the ink's outline decided
};

// The writing direction from the smear score, or from the outline of the ink when the score is
// too close to 0: a wide outline is a line of horizontal text, a tall one a column.
Direction directionFrom(double score, QSize inkExtent);

// Smeared along the lines by about half a character, characters join into lines and a page
// falls into a few pieces per line; smeared across them, the same length bridges no gap
// between lines and the pieces stay about as many as the characters. The ratio of the two
// counts tells the direction on a page, a paragraph, a line or a column alike.
DirectionFinding writingDirection(const Ink& ink);
DirectionFinding writingDirection(const QImage& picture);

} // namespace quillpix::pagelayout
