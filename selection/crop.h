#pragma once

#include <QImage>

#include <cstdint>

namespace quillpix {

class PictureBox;

// Copies the region of the full-size picture under the display rectangle (l, t)-(r, b) of the
// view scrolled to (scrollH, scrollV) at the zoom of zoomIndex into target, unscaled. The
// target's outer size becomes the region's size, so its surface is 4 pixels narrower and lower;
// surface pixels whose source lies outside the picture are white, as paper. The surface is
// 8-bit grey for a grey picture (Format_Grayscale8), colour otherwise. The target ends hidden. Sums
// or products beyond 32 bits, and a region with a right or bottom edge before its left or top edge,
// throw a Failure. A region 4 pixels or less across gives a surface without pixels; the caller
// decides what a run does with it.
void cropSelection(const QImage& source, int32_t l, int32_t t, int32_t r, int32_t b,
                   int32_t scrollH, int32_t scrollV, uint8_t zoomIndex, PictureBox* target);
// The same at the reduction divisor z itself (the whole-picture row's depends on the picture).
void cropSelectionAt(const QImage& source, int32_t l, int32_t t, int32_t r, int32_t b,
                     int32_t scrollH, int32_t scrollV, int z, PictureBox* target);

} // namespace quillpix
