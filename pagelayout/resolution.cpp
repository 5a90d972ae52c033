#include "resolution.h"

#include "pictureresolution.h"

#include <cmath>

namespace quillpix::pagelayout {
namespace {

std::optional<int> vertical(std::optional<QSizeF> dpi) {
    if (!dpi)
        return std::nullopt;
    return int(std::lround(dpi->height()));
}

} // namespace

std::optional<int> plausibleDotsPerInch(int dotsPerMeterX, int dotsPerMeterY) {
    return vertical(pictures::declaredResolution(
        QSizeF(pictures::dotsPerInch(dotsPerMeterX), pictures::dotsPerInch(dotsPerMeterY))));
}

std::optional<int> plausibleDotsPerInch(const QImage& picture) {
    return vertical(pictures::declaredResolution(picture));
}

} // namespace quillpix::pagelayout
