#pragma once

#include "selectionstate.h"

#include <QImage>
#include <QPoint>
#include <QSize>

#include <cstdint>
#include <optional>

namespace quillpix {

class PictureBox;

namespace selection {

// Corner sums are signed 32-bit; beyond that a Failure is thrown.
int32_t toInt32(int64_t value);

// A pointer coordinate as a whole pixel: the nearest one, halves to the even neighbour.
int32_t roundToPixel(double value);

// Whether the frame of a completed selection is on the display: not dragging and all four
// corners greater than 0. A frame with a corner at or beyond the left or top edge is never
// erased by this test.
bool frameOnDisplay(const SelectionState& state);

// Keeps the selection over the same picture pixels after the view moved to (hPos, vPos):
// the corners shift back by the change since frameScrollH/frameScrollV, which then take the
// new positions. Throws a Failure if a corner would leave 32 bits.
void followView(SelectionState& state, int hPos, int vPos);

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
std::optional<PreviewRegion> previewRegionAt(int32_t left, int32_t top, int32_t right,
                                             int32_t bottom, int z, QSize targetOuter);

// Shows the selected region's top-left part unreduced in target: its picture is emptied and
// the region copied to its top-left corner, then it is shown. With no picture in source, or
// where the region lies beyond the picture, the box keeps its back colour.
void showSelectionPreview(const QImage& source, int32_t left, int32_t top, int32_t right,
                          int32_t bottom, int z, PictureBox* target);

// The corners that select the whole picture of size picture at divisor z in the view scrolled
// to (h, v): the frame lies just outside the picture, and the crop with the run's margins (one
// pixel left and above, four right and below) takes every picture pixel from (0, 0), with at
// most z - 1 white columns and rows beyond the right and bottom edges.
struct Corners {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
};
Corners wholePictureCorners(QSize picture, int z, int32_t h, int32_t v);

} // namespace selection
} // namespace quillpix
