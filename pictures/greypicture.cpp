#include "greypicture.h"

#include "pages.h"
#include "pictureresolution.h"

#include <QList>

#include <algorithm>
#include <array>

namespace quillpix::pictures {
namespace {

// Red equals green and green equals blue; the alpha byte is not looked at.
inline bool greyWord(quint32 argb) {
    return (((argb >> 8) ^ argb) & 0xffffu) == 0;
}

bool greyWords(const QImage& picture) {
    const int width = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(picture.constScanLine(y));
        quint32 differs = 0;
        // The whole row at once: a branch per pixel would cost more than the test.
        for (int x = 0; x < width; ++x)
            differs |= (row[x] >> 8) ^ row[x];
        if (differs & 0xffffu)
            return false;
    }
    return true;
}

bool greyTable(const QList<QRgb>& table) {
    for (const QRgb entry : table)
        if (!greyWord(entry))
            return false;
    return true;
}

bool indexed(QImage::Format format) {
    return format == QImage::Format_Indexed8 || format == QImage::Format_Mono ||
           format == QImage::Format_MonoLSB;
}

QImage greyOf(const QImage& from, int width, int height) {
    QImage grey(width, height, QImage::Format_Grayscale8);
    if (grey.isNull())
        return grey;
    grey.setDotsPerMeterX(from.dotsPerMeterX());
    grey.setDotsPerMeterY(from.dotsPerMeterY());
    grey.setOffset(from.offset());
    for (const QString& key : from.textKeys())
        grey.setText(key, from.text(key));
    return grey;
}

// An indexed picture whose colour table (laid on white) is all grey, as 8-bit grey; a null
// picture when an entry is coloured or a pixel's index lies beyond the table, which the
// caller converts as every other picture.
QImage greyFromTable(const QImage& picture) {
    QList<QRgb> table = picture.colorTable();
    for (QRgb& c : table) {
        const int a = qAlpha(c);
        auto blend = [a](int v) { return (v * a + 255 * (255 - a) + 127) / 255; };
        c = qRgb(blend(qRed(c)), blend(qGreen(c)), blend(qBlue(c)));
    }
    if (table.isEmpty() || !greyTable(table))
        return {};
    std::array<uchar, 256> level{};
    for (qsizetype i = 0; i < table.size() && i < 256; ++i)
        level[size_t(i)] = uchar(qRed(table[i]));
    const int entries = int(table.size());
    const int width = picture.width();
    QImage grey = greyOf(picture, width, picture.height());
    if (grey.isNull())
        return {};
    const QImage::Format format = picture.format();
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* in = picture.constScanLine(y);
        uchar* out = grey.scanLine(y);
        int highest = 0;
        if (format == QImage::Format_Indexed8) {
            for (int x = 0; x < width; ++x) {
                highest = std::max<int>(highest, in[x]);
                out[x] = level[in[x]];
            }
        } else {
            const bool lsbFirst = format == QImage::Format_MonoLSB;
            for (int x = 0; x < width; ++x) {
                const int bit = lsbFirst ? (x & 7) : 7 - (x & 7);
                const int index = in[x >> 3] >> bit & 1;
                highest = std::max(highest, index);
                out[x] = level[size_t(index)];
            }
        }
        if (highest >= entries)
            return {};
    }
    return grey;
}

} // namespace

bool isGrey(const QImage& picture) {
    if (picture.isNull())
        return false;
    switch (picture.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        return true;
    case QImage::Format_Indexed8:
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return greyTable(picture.colorTable());
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return greyWords(picture);
    default:
        return greyWords(picture.convertToFormat(QImage::Format_ARGB32));
    }
}

Tone toneOf(const QImage& picture) {
    if (!isGrey(picture))
        return Tone::Colour;
    if (picture.format() != QImage::Format_Grayscale8 && picture.format() != QImage::Format_RGB32 &&
        picture.format() != QImage::Format_ARGB32)
        return toneOf(picture.convertToFormat(QImage::Format_RGB32));
    const bool bytes = picture.format() == QImage::Format_Grayscale8;
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* row = picture.constScanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            const int level = bytes ? row[x] : qRed(reinterpret_cast<const QRgb*>(row)[x]);
            if (level != 0 && level != 255)
                return Tone::Grey;
        }
    }
    return Tone::Bilevel;
}

QImage keptForm(QImage picture) {
    if (picture.isNull() || picture.format() == QImage::Format_Grayscale8)
        return picture;
    if (picture.format() == QImage::Format_Grayscale16)
        return picture.convertToFormat(QImage::Format_Grayscale8);
    if (indexed(picture.format())) {
        QImage grey = greyFromTable(picture);
        if (!grey.isNull())
            return grey;
    }
    QImage colour = onWhitePaper(std::move(picture));
    if (!greyWords(colour))
        return colour;
    QImage grey = greyOf(colour, colour.width(), colour.height());
    // Without memory for the smaller copy the colour one serves as before.
    if (grey.isNull())
        return colour;
    for (int y = 0; y < colour.height(); ++y) {
        const auto* in = reinterpret_cast<const quint32*>(colour.constScanLine(y));
        uchar* out = grey.scanLine(y);
        for (int x = 0; x < colour.width(); ++x)
            out[x] = uchar(in[x]);
    }
    return grey;
}

QImage engineForm(const QImage& picture) {
    QImage work = keptForm(picture);
    setResolution(work, declaredResolution(picture));
    return work;
}

} // namespace quillpix::pictures
