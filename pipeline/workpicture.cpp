#include "workpicture.h"

#include "failure.h"

#include <QFile>

namespace quillpix::pipeline {
namespace {

// 96 dpi.
constexpr int kWorkPictureDotsPerMeter = 3780;

} // namespace

QImage workPicture(const QImage& picture) {
    QImage work = picture.convertToFormat(QImage::Format_RGB32);
    work.setDotsPerMeterX(kWorkPictureDotsPerMeter);
    work.setDotsPerMeterY(kWorkPictureDotsPerMeter);
    return work;
}

void writeWorkPicture(const QImage& picture, const QString& path) {
    // A new file rather than the old one cut short: the file system then need not flush the
    // replaced blocks on close, which would cost more than the rest of the crop.
    QFile::remove(path);
    if (!workPicture(picture).save(path, "BMP"))
        throw Failure(QStringLiteral("作業用の画像ファイルを書けません: %1").arg(path));
}

} // namespace quillpix::pipeline
