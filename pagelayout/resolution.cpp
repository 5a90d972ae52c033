#include "resolution.h"

#include <cmath>

namespace quillpix::pagelayout {
namespace {

constexpr int kLeastDpi = 100;
constexpr int kMostDpi = 1200;
constexpr double kInchesPerMeter = 0.0254;

} // namespace

std::optional<int> plausibleDotsPerInch(int /*dotsPerMeterX*/, int dotsPerMeterY) {
    const int dpi = int(std::lround(dotsPerMeterY * kInchesPerMeter));
    if (dpi < kLeastDpi || dpi > kMostDpi)
        return std::nullopt;
    return dpi;
}

std::optional<int> plausibleDotsPerInch(const QImage& picture) {
    return plausibleDotsPerInch(picture.dotsPerMeterX(), picture.dotsPerMeterY());
}

} // namespace quillpix::pagelayout
