#include "pictureresolution.h"

#include <cmath>

namespace quillpix::pictures {
namespace {

bool inRange(double dpi) {
    const long whole = std::lround(dpi);
    return whole >= kLeastDpi && whole <= kMostDpi;
}

} // namespace

double dotsPerInch(int dotsPerMetre) {
    return dotsPerMetre * kMetresPerInch;
}

int wholeDotsPerInch(int dotsPerMetre) {
    return int(std::lround(dotsPerInch(dotsPerMetre)));
}

int dotsPerMetre(double dotsPerInch) {
    return int(std::lround(dotsPerInch / kMetresPerInch));
}

std::optional<QSizeF> declaredResolution(QSizeF dotsPerInch) {
    if (!inRange(dotsPerInch.width()) || !inRange(dotsPerInch.height()))
        return std::nullopt;
    return dotsPerInch;
}

std::optional<QSizeF> declaredResolution(const QImage& picture) {
    // Thread-safe once made; every thread of the process gives new pictures the same.
    static const int undeclared = QImage(1, 1, QImage::Format_Mono).dotsPerMeterY();
    if (picture.dotsPerMeterY() == undeclared)
        return std::nullopt;
    return declaredResolution(
        QSizeF(dotsPerInch(picture.dotsPerMeterX()), dotsPerInch(picture.dotsPerMeterY())));
}

void setResolution(QImage& picture, std::optional<QSizeF> dotsPerInch) {
    picture.setDotsPerMeterX(dotsPerInch ? dotsPerMetre(dotsPerInch->width()) : kNoResolution);
    picture.setDotsPerMeterY(dotsPerInch ? dotsPerMetre(dotsPerInch->height()) : kNoResolution);
}

} // namespace quillpix::pictures
