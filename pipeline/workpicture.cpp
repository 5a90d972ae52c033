#include "workpicture.h"

#include "failure.h"
#include "resolution.h"

#include <QFile>

namespace quillpix::pipeline {
namespace {

// Where a Windows bitmap keeps its horizontal and vertical pixels per metre: two 32-bit fields
// of the information header, which follows the 14-byte file header.
constexpr qint64 kResolutionFields = 38;
constexpr qint64 kResolutionBytes = 8;

} // namespace

void setWorkResolution(QImage& work, const QImage& picture) {
    if (pagelayout::plausibleDotsPerInch(picture)) {
        work.setDotsPerMeterX(picture.dotsPerMeterX());
        work.setDotsPerMeterY(picture.dotsPerMeterY());
    } else {
        work.setDotsPerMeterX(kNoResolution);
        work.setDotsPerMeterY(kNoResolution);
    }
}

bool declaresResolution(const QImage& work) {
    return pagelayout::plausibleDotsPerInch(work).has_value();
}

QImage workPicture(const QImage& picture) {
    QImage work = picture.convertToFormat(QImage::Format_RGB32);
    setWorkResolution(work, picture);
    return work;
}

void writeWorkPicture(const QImage& picture, const QString& path) {
    // A new file rather than the old one cut short: the file system then need not flush the
    // replaced blocks on close, which would cost more than the rest of the crop.
    QFile::remove(path);
    const QImage work = workPicture(picture);
    if (!work.save(path, "BMP"))
        throw Failure(QStringLiteral("作業用の画像ファイルを書けません: %1").arg(path));
    if (declaresResolution(work))
        return;
    // Qt writes at least one pixel per metre; zeros are what a bitmap without a resolution
    // holds, and what makes the engine estimate it.
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(kResolutionFields) ||
        file.write(QByteArray(kResolutionBytes, '\0')) != kResolutionBytes)
        throw Failure(QStringLiteral("作業用の画像ファイルを書けません: %1").arg(path));
}

} // namespace quillpix::pipeline
