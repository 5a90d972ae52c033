#include "jpegheader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cstdint>

namespace quillpix::pictures {

bool startsAsJpeg(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(3) == QByteArray("\xFF\xD8\xFF", 3);
}

JpegHeader readJpegHeader(const QByteArray& jpeg) {
    QByteArray bytes = jpeg;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    JpegHeader header;
    header.stored = reader.size();
    header.turn = reader.transformation();
    header.readable = reader.canRead() && header.stored.isValid() && !header.stored.isEmpty();
    return header;
}

QSize uprightJpegSize(const QByteArray& jpeg) {
    const JpegHeader header = readJpegHeader(jpeg);
    if (!header.readable || header.turn != QImageIOHandler::TransformationNone)
        return {};
    return header.stored;
}

QSizeF jfifDensity(const QByteArray& jpeg) {
    const auto byte = [&](qsizetype i) { return int(std::uint8_t(jpeg[i])); };
    const auto word = [&](qsizetype i) { return byte(i) << 8 | byte(i + 1); };
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && byte(pos) == 0xFF) {
        const int marker = byte(pos + 1);
        if (marker == 0xDA || marker == 0xD9) // the picture data begins, or the file ends
            break;
        const int length = word(pos + 2);
        if (marker == 0xE0 && length >= 14 && pos + 2 + length <= jpeg.size() &&
            jpeg.mid(pos + 4, 5) == QByteArray("JFIF", 5)) {
            const int units = byte(pos + 11);
            const double x = word(pos + 12);
            const double y = word(pos + 14);
            if (units == 1)
                return {x, y};
            if (units == 2)
                return {x * 2.54, y * 2.54};
            return {};
        }
        pos += 2 + length;
    }
    return {};
}

} // namespace quillpix::pictures
