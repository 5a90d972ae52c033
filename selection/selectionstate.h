#pragma once

#include <cstdint>

namespace quillpix {

// The selection's corners and the view they belong to.
struct SelectionState {
    bool dragging = false;
    // Corners in picDisp pixels relative to the current view; all four 0 means no selection.
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
    // The scroll positions for which the corners are current.
    int32_t frameScrollV = 0;
    int32_t frameScrollH = 0;

    void discardCorners() { x1 = y1 = x2 = y2 = 0; }
};

} // namespace quillpix
