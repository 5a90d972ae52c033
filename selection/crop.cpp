#include "crop.h"

#include "failure.h"
#include "picturebox.h"
#include "zoom.h"

#include <QCoreApplication>
#include <limits>

namespace quillpix {
namespace {

int32_t checked(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw Failure(QCoreApplication::translate("selection", "選択範囲の座標が大きすぎます。"));
    return int32_t(value);
}

} // namespace

void cropSelection(const QImage& source, int32_t l, int32_t t, int32_t r, int32_t b,
                   int32_t scrollH, int32_t scrollV, uint8_t zoomIndex, PictureBox* target) {
    cropSelectionAt(source, l, t, r, b, scrollH, scrollV, viewer::zoomDivisorForIndex(zoomIndex),
                    target);
}

void cropSelectionAt(const QImage& source, int32_t l, int32_t t, int32_t r, int32_t b,
                     int32_t scrollH, int32_t scrollV, int divisor, PictureBox* target) {
    const int64_t z = divisor;
    const int32_t left = checked((int64_t(scrollH) + l) * z);
    const int32_t top = checked((int64_t(scrollV) + t) * z);
    const int32_t right = checked((int64_t(scrollH) + r) * z);
    const int32_t bottom = checked((int64_t(scrollV) + b) * z);
    const int32_t w = checked(int64_t(right) - left);
    const int32_t h = checked(int64_t(bottom) - top);
    if (w < 0 || h < 0)
        throw Failure(QCoreApplication::translate(
            "selection", "選択範囲の右端か下端が左端か上端より手前にあります。"));

    target->setDrawMode(PictureBox::DrawMode::CopyPen);
    // A grey picture's cut-out stays 8-bit grey, as the engine then reads it.
    target->startSurface(w, h, Qt::white, source.format() == QImage::Format_Grayscale8);
    target->copyRegion(source, {left, top}, {0, 0}, {w, h});
    target->hide();
}

} // namespace quillpix
