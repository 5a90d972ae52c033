#include "picturefiles.h"

#include <QHash>
#include <QtEndian>

namespace quillpix::testing {
namespace {

void put16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}
void put32(QByteArray& out, quint32 v) {
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

} // namespace

QByteArray gifBytes(const QImage& picture) {
    QVector<QRgb> palette;
    QHash<QRgb, int> index;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y) | 0xFF000000;
            if (!index.contains(c)) {
                index.insert(c, int(palette.size()));
                palette << c;
            }
        }
    palette.resize(256, qRgb(0, 0, 0));

    QByteArray out("GIF89a");
    put16(out, quint16(picture.width()));
    put16(out, quint16(picture.height()));
    out.append(char(0xF7)); // global table of 256 colours
    out.append('\0');
    out.append('\0');
    for (QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(',');
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(picture.width()));
    put16(out, quint16(picture.height()));
    out.append('\0');
    out.append(char(8)); // minimum code size: codes are 9 bits until the table grows

    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    auto putCode = [&](int code) {
        bits |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    constexpr int kClear = 256, kEnd = 257;
    int sinceClear = 0;
    putCode(kClear);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            // Clearing well before the table reaches 512 entries keeps every code 9 bits wide.
            if (sinceClear == 250) {
                putCode(kClear);
                sinceClear = 0;
            }
            putCode(index.value(picture.pixel(x, y) | 0xFF000000));
            ++sinceClear;
        }
    putCode(kEnd);
    if (count > 0)
        data.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append('\0');
    out.append(';');
    return out;
}

qint64 bitmapPixelBytes(int width, int height) {
    return qint64((width * 24 + 31) / 32 * 4) * height;
}

QByteArray bitmapBytes(int width, int height, qint64 pixelBytes) {
    QByteArray out("BM");
    put32(out, quint32(54 + bitmapPixelBytes(width, height)));
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, quint32(width));
    put32(out, quint32(height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, quint32(bitmapPixelBytes(width, height)));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    out.append(QByteArray(pixelBytes, '\0'));
    return out;
}

} // namespace quillpix::testing
