#include "tempworkspace.h"

#include "cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quillpix::testing {

TempWorkspace::TempWorkspace() {
    QDir(root()).mkpath(QStringLiteral("bin"));
    QDir(root()).mkpath(QStringLiteral("bmp_gif_sample"));
    QDir(root()).mkpath(QStringLiteral("wav"));
    QDir(root()).mkpath(QStringLiteral("htm"));
    writeLists({QStringLiteral("自動:3"), QStringLiteral("単一ブロック:6")},
               {QStringLiteral("jpn"), QStringLiteral("eng")},
               {QString(), QStringLiteral("pause")});
}

QString TempWorkspace::writeFile(const QString& relativePath, const QByteArray& bytes) const {
    const QString path = root() + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

void TempWorkspace::writeLists(const QStringList& psm, const QStringList& lang,
                               const QStringList& option) const {
    auto write = [&](const QString& name, const QStringList& items) {
        QString text;
        for (const QString& item : items)
            text += item + QStringLiteral("\r\n");
        writeFile(QStringLiteral("bin/") + name, cp932::encode(text));
    };
    write(QStringLiteral("listPSMode.txt"), psm);
    write(QStringLiteral("listLang.txt"), lang);
    write(QStringLiteral("listOption.txt"), option);
}

QString TempWorkspace::addPicture(const QString& name, const QImage& image) const {
    const QString path = pictures() + QLatin1Char('/') + name;
    image.save(path);
    return path;
}

QImage coordinatePicture(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb(x & 0xFF, y & 0xFF, (((x >> 8) & 0x0F) << 4) | ((y >> 8) & 0x0F));
    }
    return img;
}

QPoint coordinateOf(QRgb pixel) {
    const int b = qBlue(pixel);
    return {qRed(pixel) | ((b >> 4) << 8), qGreen(pixel) | ((b & 0x0F) << 8)};
}

} // namespace quillpix::testing
