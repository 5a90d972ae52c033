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

// The zoom list's row a step of the wheel goes to from row: steps > 0 show the picture smaller,
// < 0 larger, each step to the next divisor along (fitDivisor is the whole-picture row's), so
// the whole picture takes its place by its size among the fixed steps; rows of the divisor of
// the moment are passed over, and at either end the row stays. Of two rows with one divisor the
// fixed one is taken.
constexpr int zoomRowAfter(int row, int steps, int fitDivisor) {
    const auto divisorOf = [fitDivisor](int r) {
        return r == int(ZoomRow::Fit) ? fitDivisor : int(zoomDivisorForIndex(r));
    };
    for (; steps != 0; steps += steps > 0 ? -1 : 1) {
        const int now = divisorOf(row);
        int best = -1;
        for (int r = int(ZoomRow::Full); r <= int(ZoomRow::Fit); ++r) {
            const int d = divisorOf(r);
            if (steps > 0 ? d <= now : d >= now)
                continue;
            // The nearest divisor beyond; on a tie the fixed row, which comes first.
            if (best < 0 || (steps > 0 ? d < divisorOf(best) : d > divisorOf(best)))
                best = r;
        }
        if (best < 0)
            break;
        row = best;
    }
    return row;
}

} // namespace quillpix::viewer
