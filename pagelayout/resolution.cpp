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
    // Qt gives a picture that declares nothing (a GIF, a bitmap with zeros) the resolution of
    // the screen, or 100 dpi in a program without one: the same as any new picture gets here.
    static const int undeclared = QImage(1, 1, QImage::Format_Mono).dotsPerMeterY();
    if (picture.dotsPerMeterY() == undeclared)
        return std::nullopt;
    return plausibleDotsPerInch(picture.dotsPerMeterX(), picture.dotsPerMeterY());
}

} // namespace quillpix::pagelayout
