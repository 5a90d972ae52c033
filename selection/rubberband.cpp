#include "rubberband.h"

#include "failure.h"
#include "picturebox.h"
#include "zoom.h"

#include <QCoreApplication>
#include <cmath>
#include <limits>

namespace quillpix::selection {
namespace {

int32_t product(int32_t value, int z) {
    return toInt32(int64_t(value) * z);
}

} // namespace

int32_t toInt32(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw Failure(QCoreApplication::translate("selection", "選択範囲の座標が大きすぎます。"));
    return int32_t(value);
}

int32_t roundToPixel(double value) {
    if (std::isnan(value))
        return 0;
    // nearbyint rounds halves to even in the default rounding mode.
    const double r = std::nearbyint(value);
    if (r <= std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    if (r >= std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return int32_t(r);
}

bool frameOnDisplay(const SelectionState& s) {
    return !s.dragging && s.x1 > 0 && s.y1 > 0 && s.x2 > 0 && s.y2 > 0;
}

void followView(SelectionState& state, int hPos, int vPos) {
    const int64_t dV = int64_t(vPos) - state.frameScrollV;
    state.y1 = toInt32(state.y1 - dV);
    state.y2 = toInt32(state.y2 - dV);
    const int64_t dH = int64_t(hPos) - state.frameScrollH;
    state.x1 = toInt32(state.x1 - dH);
    state.x2 = toInt32(state.x2 - dH);
    state.frameScrollV = vPos;
    state.frameScrollH = hPos;
}

std::optional<PreviewRegion> previewRegion(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                           uint8_t zoomIndex, QSize targetOuter) {
    return previewRegionAt(left, top, right, bottom, viewer::zoomDivisorForIndex(zoomIndex),
                           targetOuter);
}

std::optional<PreviewRegion> previewRegionAt(int32_t left, int32_t top, int32_t right,
                                             int32_t bottom, int z, QSize targetOuter) {
    const int32_t l = product(left, z), t = product(top, z);
    const int32_t r = product(right, z), b = product(bottom, z);
    const int64_t regionW = int64_t(r) - l, regionH = int64_t(b) - t;
    const int64_t w = targetOuter.width() > regionW ? regionW : targetOuter.width();
    const int64_t h = targetOuter.height() > regionH ? regionH : targetOuter.height();
    if (w <= 0 || h <= 0)
        return std::nullopt;
    return PreviewRegion{QPoint(l, t), QSize(int(w), int(h))};
}

void showSelectionPreview(const QImage& source, int32_t left, int32_t top, int32_t right,
                          int32_t bottom, int z, PictureBox* target) {
    const auto region = previewRegionAt(left, top, right, bottom, z,
                                        QSize(target->outerWidth(), target->outerHeight()));
    target->clearPicture();
    target->setDrawMode(PictureBox::DrawMode::CopyPen);
    if (!region)
        return;
    target->copyRegion(source, region->from, {0, 0}, region->size);
    target->show();
}

Corners wholePictureCorners(QSize picture, int z, int32_t h, int32_t v) {
    // The crop starts at (h + x1 + 1)·z and keeps its pixels up to (h + x2 + 4)·z - 5.
    const auto farEdge = [z](int64_t side, int32_t position) {
        return toInt32((side + 4 + z - 1) / z - position - 4);
    };
    return {toInt32(-int64_t(h) - 1), toInt32(-int64_t(v) - 1), farEdge(picture.width(), h),
            farEdge(picture.height(), v)};
}

} // namespace quillpix::selection
