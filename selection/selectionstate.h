#pragma once

#include <QString>

#include <cstdint>

namespace quillpix {

// The window's record of the selection and the view it belongs to.
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
    uint8_t zoomDivisor = 0;
    // The result text as it was when the last run started.
    QString undoText;
    bool hScrollToggle = false;
    bool vScrollToggle = false;

    void discardCorners() { x1 = y1 = x2 = y2 = 0; }
};

// lstZoom's index to the reduction divisor: 0 -> 1 (100 %), 1 -> 2, 2 -> 4, anything else -> 5.
constexpr uint8_t zoomDivisorForIndex(int index) {
    switch (index) {
    case 0:
        return 1;
    case 1:
        return 2;
    case 2:
        return 4;
    default:
        return 5;
    }
}

// lstZoom's selected row as the unsigned 8-bit index the routines take; no selection counts as
// the last item, which maps to the same divisor 5 as zoomDivisorForIndex(-1).
constexpr uint8_t zoomIndexByte(int row) {
    return row >= 0 && row <= 255 ? uint8_t(row) : uint8_t(3);
}

} // namespace quillpix
