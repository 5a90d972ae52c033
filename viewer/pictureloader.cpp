#include "pictureloader.h"

#include "failure.h"
#include "viewmath.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <cstdlib>

namespace quillpix::viewer {
namespace {

QString cannotLoad(const QString& path, const QString& why) {
    return QStringLiteral("画像ファイルを読み込めません。\n%1\n%2").arg(path, why);
}

quint32 le32(const QByteArray& b, int at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 le16(const QByteArray& b, int at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}

} // namespace

bool bitmapComplete(const QByteArray& header, qint64 fileSize) {
    // File header (14 bytes), then at least the 12-byte core header of the oldest bitmaps.
    if (header.size() < 26 || header[0] != 'B' || header[1] != 'M')
        return true;
    const qint64 pixelsAt = le32(header, 10);
    const quint32 infoSize = le32(header, 14);
    qint64 width = 0, height = 0, bitCount = 0, compression = 0, imageSize = 0;
    if (infoSize == 12) {
        width = le16(header, 18);
        height = le16(header, 20);
        bitCount = le16(header, 24);
    } else {
        if (header.size() < 54)
            return false;
        width = qint32(le32(header, 18));
        height = std::abs(qint64(qint32(le32(header, 22))));
        bitCount = le16(header, 28);
        compression = le32(header, 30);
        imageSize = le32(header, 34);
    }
    qint64 needed = 0;
    // Uncompressed rows are padded to four bytes; compressed data announces its size, if at all.
    if (compression == 0 || compression == 3 || compression == 6)
        needed = (width * bitCount + 31) / 32 * 4 * height;
    else
        needed = imageSize;
    return fileSize >= pixelsAt + needed;
}

bool gifComplete(const QByteArray& bytes) {
    // Walks the blocks up to the end of the first image's data, which is what gets shown.
    const qsizetype n = bytes.size();
    if (!bytes.startsWith("GIF"))
        return true;
    if (n < 13)
        return false;
    qsizetype at = 13;
    const auto flags = quint8(bytes[10]);
    if (flags & 0x80)
        at += 3 * (qsizetype(1) << ((flags & 0x07) + 1));
    auto skipSubBlocks = [&]() {
        while (at < n) {
            const auto size = quint8(bytes[at]);
            ++at;
            if (size == 0)
                return true;
            at += size;
        }
        return false;
    };
    while (at < n) {
        const auto tag = quint8(bytes[at]);
        if (tag == 0x21) { // extension: label, then sub-blocks
            at += 2;
            if (!skipSubBlocks())
                return false;
        } else if (tag == 0x2C) { // image: descriptor, local colours, code size, sub-blocks
            if (at + 10 > n)
                return false;
            const auto local = quint8(bytes[at + 9]);
            at += 10;
            if (local & 0x80)
                at += 3 * (qsizetype(1) << ((local & 0x07) + 1));
            at += 1;
            return skipSubBlocks();
        } else {
            return false; // a trailer or anything else before the first image: no picture
        }
    }
    return false;
}

QImage loadPicture(const QString& path, QSize displayOuter) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(cannotLoad(path, file.errorString()));
    if (file.size() == 0)
        throw Failure(cannotLoad(path, QStringLiteral("ファイルが空です。")));

    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    const QByteArray format = reader.format();
    if (!size.isValid() || format.isEmpty())
        throw Failure(cannotLoad(path, QStringLiteral("画像ファイルではないか、壊れています。")));
    if (size.isEmpty())
        throw Failure(cannotLoad(path, QStringLiteral("画像の大きさが 0 です。")));
    if (!withinViewRange(size, displayOuter)) {
        const QSize limit = largestPicture(displayOuter);
        throw Failure(QStringLiteral("画像が大きすぎて表示できません。\n%1\n"
                                     "この画像は幅 %2、高さ %3 ピクセルです。表示できるのは幅 %4、"
                                     "高さ %5 ピクセルまでです。")
                          .arg(path)
                          .arg(size.width())
                          .arg(size.height())
                          .arg(limit.width())
                          .arg(limit.height()));
    }

    bool complete = true;
    if (format == "bmp" || format == "gif") {
        const qint64 fileSize = file.size();
        const qint64 pos = file.pos();
        file.seek(0);
        const QByteArray head = format == "bmp" ? file.read(64) : file.readAll();
        file.seek(pos);
        complete = format == "bmp" ? bitmapComplete(head, fileSize) : gifComplete(head);
    }
    if (!complete)
        throw Failure(cannotLoad(path, QStringLiteral("ファイルが途中で切れています。")));

    // A 600-dpi A4 scan needs about 140 MB; the reader's default ceiling is lower.
    const qint64 neededMb = qint64(size.width()) * size.height() * 4 / (1024 * 1024) + 1;
    if (QImageReader::allocationLimit() > 0 && neededMb > QImageReader::allocationLimit())
        QImageReader::setAllocationLimit(int(neededMb));

    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw Failure(cannotLoad(path, reader.errorString()));
    return image;
}

} // namespace quillpix::viewer
