#include "resolution.h"

#include <cmath>

namespace quillpix::pagelayout {
namespace {

constexpr int kLeastDpi = 100;
constexpr int kMostDpi = 1200;
constexpr int kStandInDpis[] = {72, 96};

} // namespace

std::optional<int> plausibleDotsPerInch(int dotsPerMeterX, int dotsPerMeterY) {
    (void)dotsPerMeterX;
    const int dpi = int(std::lround(dotsPerMeterY * 0.0254));
    if (dpi < kLeastDpi || dpi > kMostDpi)
        return std::nullopt;
    for (int standIn : kStandInDpis)
        if (dpi == standIn)
            return std::nullopt;
    return dpi;
}

std::optional<int> plausibleDotsPerInch(const QImage& picture) {
    return plausibleDotsPerInch(picture.dotsPerMeterX(), picture.dotsPerMeterY());
}

} // namespace quillpix::pagelayout
