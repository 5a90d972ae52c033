#include "workpicture.h"

#include "failure.h"
#include "greypicture.h"

#include <QFile>
#include <QList>

#include <cstring>

namespace quillpix::pipeline {
namespace {

// 96 dpi.
constexpr int kWorkPictureDotsPerMeter = 3780;

// An 8-bit bitmap with a grey palette of all 256 levels for a grey picture, as Qt's writer
// makes of one, but with the rows' padding zero: the writer copies whole rows, and a picture's
// padding holds whatever the memory held, so the same pixels would give other bytes each time.
QImage forBitmap(const QImage& work) {
    if (work.format() != QImage::Format_Grayscale8)
        return work;
    QImage indexed(work.size(), QImage::Format_Indexed8);
    if (indexed.isNull())
        return work;
    std::memset(indexed.bits(), 0, size_t(indexed.sizeInBytes()));
    QList<QRgb> levels(256);
    for (int g = 0; g < 256; ++g)
        levels[g] = qRgb(g, g, g);
    indexed.setColorTable(levels);
    indexed.setDotsPerMeterX(work.dotsPerMeterX());
    indexed.setDotsPerMeterY(work.dotsPerMeterY());
    for (int y = 0; y < work.height(); ++y)
        std::memcpy(indexed.scanLine(y), work.constScanLine(y), size_t(work.width()));
    return indexed;
}

} // namespace

QImage workPicture(const QImage& picture) {
    QImage work = pictures::keptForm(picture);
    work.setDotsPerMeterX(kWorkPictureDotsPerMeter);
    work.setDotsPerMeterY(kWorkPictureDotsPerMeter);
    return work;
}

void writeWorkPicture(const QImage& picture, const QString& path) {
    // A new file rather than the old one cut short: the file system then need not flush the
    // replaced blocks on close, which would cost more than the rest of the crop.
    QFile::remove(path);
    if (!forBitmap(workPicture(picture)).save(path, "BMP"))
        throw Failure(QStringLiteral("作業用の画像ファイルを書けません: %1").arg(path));
}

} // namespace quillpix::pipeline
