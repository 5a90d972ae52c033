#pragma once

#include <cstdint>

namespace quillpix::viewer {

// The zoom list's rows: 100 %, 50 %, 25 %, 20 %, and the whole picture in the view.
enum class ZoomRow { Full = 0, Half = 1, Quarter = 2, Fifth = 3, Fit = 4 };

// The one conversion from lstZoom's row: the row as the unsigned 8-bit index the view, the
// preview and the crop take. No selection (-1) counts as the last item.
constexpr uint8_t zoomIndexForRow(int row) {
    return row >= 0 && row <= 255 ? uint8_t(row) : uint8_t(ZoomRow::Fifth);
}

// The index's reduction divisor: 0 -> 1 (100 %), 1 -> 2, 2 -> 4, anything else -> 5.
constexpr uint8_t zoomDivisorForIndex(int index) {
    switch (index) {
    case int(ZoomRow::Full):
        return 1;
    case int(ZoomRow::Half):
        return 2;
    case int(ZoomRow::Quarter):
        return 4;
    default:
        return 5;
    }
}

// The divisor of the whole-picture row: the smallest z for which the reduced picture
// (width / z by height / z, whole pixels) lies inside the display's inner area, so no bar is needed
// and the selection keeps mapping one display pixel to z picture pixels. At least 1.
constexpr int fitDivisor(int width, int height, int innerWidth, int innerHeight) {
    if (innerWidth < 1 || innerHeight < 1)
        return 1;
    const int across = width / (innerWidth + 1) + 1;
    const int down = height / (innerHeight + 1) + 1;
    return across > down ? across : down;
}

} // namespace quillpix::viewer
