#include "viewmath.h"

#include "failure.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>

namespace quillpix::viewer {

int16_t toInt16(int64_t value) {
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
        throw Failure(
            QCoreApplication::translate("viewer", "表示位置が範囲を超えました (%1)。").arg(value));
    return int16_t(value);
}

ScrollSetup scrollSetup(QSize picture, int z, QSize displayOuter) {
    ScrollSetup s;
    const int64_t w = picture.width(), h = picture.height();
    s.hMaximum = toInt16(w / z - displayOuter.width());
    if (s.hMaximum >= 1)
        s.hLargeChange = toInt16(w / (5 * z));
    s.vMaximum = toInt16(h / z - displayOuter.height());
    if (s.vMaximum >= 1)
        s.vLargeChange = toInt16(h / (5 * z));
    s.hEnabled = displayOuter.width() < w / z;
    s.vEnabled = displayOuter.height() < h / z;
    return s;
}

int16_t sourceOffset(int position, int z) {
    return toInt16(int64_t(position) * z);
}

QSize largestPicture(QSize displayOuter) {
    // (W \ z - dispW) × z is largest at z = 1, so 100 % sets the limit for all zooms.
    constexpr int kLimit = std::numeric_limits<int16_t>::max();
    return {displayOuter.width() + kLimit, displayOuter.height() + kLimit};
}

bool withinViewRange(QSize picture, QSize displayOuter) {
    const QSize limit = largestPicture(displayOuter);
    return picture.width() <= limit.width() && picture.height() <= limit.height();
}

namespace {

int edgeStep(double at, int size) {
    const double low = kEdgeMargin - at;
    const double high = at - (size - 1 - kEdgeMargin);
    // A display narrower than two margins scrolls towards the nearer edge.
    if (low > 0 && low >= high)
        return -std::min(kEdgeStepMax, 1 + int(low) / 2);
    if (high > 0)
        return std::min(kEdgeStepMax, 1 + int(high) / 2);
    return 0;
}

} // namespace

QPoint edgeScrollStep(QPointF pointer, QSize inner) {
    return {edgeStep(pointer.x(), inner.width()), edgeStep(pointer.y(), inner.height())};
}

} // namespace quillpix::viewer
