#pragma once

#include "direction.h"

#include <QRect>

#include <utility>
#include <vector>

namespace quillpix::pagelayout {

struct Ink;

// A frame dragged around a line or a column often takes in part of the next one: the lower
// half of the line above, the readings of the column to the left. The engine reads those
// pieces as characters of their own. Across the lines, the ink falls into bands (lines or
// columns) separated by gaps; a band at the picture's edge that is much thinner than a line
// while a whole line lies beside it is such a part.
//
// The bands to paint over, as first and last index of a profile of ink counts across the
// lines (rows for horizontal text, columns for vertical text), em the character size in the
// same scale.
std::vector<std::pair<int, int>> partialEdgeBands(const std::vector<int>& profile, double em);

// The same bands as rectangles in working pixels.
std::vector<QRect> partialEdgeLines(const Ink& ink, Direction direction);

} // namespace quillpix::pagelayout
