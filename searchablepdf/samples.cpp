#include "samples.h"

#include "greypicture.h"

namespace quillpix::searchablepdf {

Samples samplesOf(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width();
    Samples samples;
    switch (pictures::toneOf(rgb)) {
    case pictures::Tone::Bilevel: {
        samples.bits = 1;
        samples.grey = true;
        const qsizetype stride = (width + 7) / 8;
        samples.data = QByteArray(stride * rgb.height(), '\0');
        for (int y = 0; y < rgb.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            uchar* out = reinterpret_cast<uchar*>(samples.data.data()) + y * stride;
            for (int x = 0; x < width; ++x)
                if (qRed(row[x]) != 0)
                    out[x / 8] |= uchar(0x80 >> (x % 8));
        }
        break;
    }
    case pictures::Tone::Grey: {
        samples.grey = true;
        samples.data.resize(qsizetype(width) * rgb.height());
        char* out = samples.data.data();
        for (int y = 0; y < rgb.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < width; ++x)
                *out++ = char(qRed(row[x]));
        }
        break;
    }
    case pictures::Tone::Colour: {
        samples.data.resize(qsizetype(width) * 3 * rgb.height());
        char* out = samples.data.data();
        for (int y = 0; y < rgb.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                *out++ = char(qRed(row[x]));
                *out++ = char(qGreen(row[x]));
                *out++ = char(qBlue(row[x]));
            }
        }
        break;
    }
    }
    return samples;
}

} // namespace quillpix::searchablepdf
