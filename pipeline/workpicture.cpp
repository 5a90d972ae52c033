#include "workpicture.h"

#include "failure.h"
#include "greypicture.h"
#include "pictureresolution.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>

#include <cstring>

namespace quillpix::pipeline {
namespace {

// Where a Windows bitmap keeps its horizontal and vertical pixels per metre: two 32-bit fields
// of the information header, which follows the 14-byte file header.
constexpr qint64 kResolutionFields = 38;
constexpr qint64 kResolutionBytes = 8;

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
    return pictures::engineForm(picture);
}

void writeWorkPicture(const QImage& picture, const QString& path) {
    // A new file rather than the old one cut short: the file system then need not flush the
    // replaced blocks on close, which would cost more than the rest of the crop.
    QFile::remove(path);
    const QImage work = pictures::engineForm(picture);
    if (!forBitmap(work).save(path, "BMP"))
        throw Failure(
            QCoreApplication::translate("pipeline", "作業用の画像ファイルを書けません: %1")
                .arg(path));
    if (work.dotsPerMeterX() != kNoResolution)
        return;
    // Qt writes at least one pixel per metre; zeros are what a bitmap without a resolution
    // holds, and what makes the engine estimate it.
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(kResolutionFields) ||
        file.write(QByteArray(kResolutionBytes, '\0')) != kResolutionBytes)
        throw Failure(
            QCoreApplication::translate("pipeline", "作業用の画像ファイルを書けません: %1")
                .arg(path));
}

} // namespace quillpix::pipeline
