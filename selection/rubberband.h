#pragma once

#include "selectionstate.h"

#include <QColor>
#include <QPoint>
#include <QSize>

#include <cstdint>
#include <optional>

namespace quillpix {

class PictureBox;

namespace selection {

// The frame's grey, drawn with the exclusive-or pen so a second drawing restores the display.
inline QColor frameColor() {
    return QColor(128, 128, 128);
}

// Corner sums are signed 32-bit; beyond that a Failure is thrown.
int32_t toInt32(int64_t value);

// A pointer coordinate as a whole pixel: the nearest one, halves to the even neighbour.
int32_t roundToPixel(double value);

// Whether the frame of a completed selection is on the display: not dragging and all four
// corners greater than 0. A frame with a corner at or beyond the left or top edge is never
// erased by this test.
bool frameOnDisplay(const SelectionState& state);

// Draws (or, drawn a second time, erases) the outline (x1, y1)-(x2, y2), both corners included.
void drawFrame(PictureBox* display, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// The part of the picture the preview shows for a selection whose edges (in display pixels,
// view position included) are left..right and top..bottom: from (left·z, top·z), as wide and
// high as the region but no more than the preview box's outer size. Nothing when the region
// has no width or height. Products beyond 32 bits throw a Failure.
struct PreviewRegion {
    QPoint from;
    QSize size;
};
std::optional<PreviewRegion> previewRegion(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                           uint8_t zoomIndex, QSize targetOuter);

// Shows the selected region's top-left part unreduced in target: its picture is emptied and
// the region copied to its top-left corner, then it is shown. With no picture in source, or
// where the region lies beyond the picture, the box keeps its back colour.
void showSelectionPreview(const PictureBox* source, int32_t left, int32_t top, int32_t right,
                          int32_t bottom, uint8_t zoomIndex, PictureBox* target);

} // namespace selection
} // namespace quillpix
