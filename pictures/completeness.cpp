#include "completeness.h"

#include <QtEndian>

#include <cstdlib>

namespace quillpix::pictures {
namespace {

quint32 le32(const QByteArray& b, int at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 le16(const QByteArray& b, int at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}

// Reads a device byte by byte through a buffer, and puts it back where it found it.
class ByteReader {
public:
    explicit ByteReader(QIODevice& device) : m_device(device), m_start(device.pos()) {}
    ~ByteReader() { m_device.seek(m_start); }
    int next() {
        if (m_at == m_buffer.size()) {
            m_buffer = m_device.read(1 << 16);
            m_at = 0;
            if (m_buffer.isEmpty())
                return -1;
        }
        return quint8(m_buffer[m_at++]);
    }
    // Skips n bytes; false when the device ends first.
    bool skip(qint64 n) {
        const qint64 inBuffer = m_buffer.size() - m_at;
        if (n <= inBuffer) {
            m_at += n;
            return true;
        }
        n -= inBuffer;
        m_buffer.clear();
        m_at = 0;
        const qint64 target = m_device.pos() + n;
        if (target > m_device.size())
            return false;
        return m_device.seek(target);
    }

private:
    QIODevice& m_device;
    qint64 m_start;
    QByteArray m_buffer;
    qsizetype m_at = 0;
};

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
        // Negative: the rows are stored top-down, as some programs write them.
        height = std::abs(qint64(qint32(le32(header, 22))));
        bitCount = le16(header, 28);
        compression = le32(header, 30);
        imageSize = le32(header, 34);
    }
    qint64 needed = 0;
    // Uncompressed rows are padded to four bytes; run-length data is walked separately.
    if (compression == 0 || compression == 3 || compression == 6)
        needed = (width * bitCount + 31) / 32 * 4 * height;
    else if (compression != 1 && compression != 2)
        needed = imageSize;
    return fileSize >= pixelsAt + needed;
}

bool bitmapRunsComplete(QIODevice& file) {
    const qint64 start = file.pos();
    file.seek(0);
    const QByteArray header = file.read(54);
    file.seek(start);
    if (header.size() < 54 || !header.startsWith("BM") || le32(header, 14) < 40)
        return true;
    const quint32 compression = le32(header, 30);
    if (compression != 1 && compression != 2)
        return true;
    const bool four = compression == 2;
    const qint64 height = std::abs(qint64(qint32(le32(header, 22))));
    ByteReader in(file);
    if (!file.seek(le32(header, 10)))
        return false;
    qint64 y = 0;
    while (y < height) {
        const int count = in.next(), code = in.next();
        if (code < 0)
            return false;
        if (count > 0)
            continue;
        if (code == 0) {
            ++y;
        } else if (code == 1) {
            return true;
        } else if (code == 2) {
            in.next();
            const int dy = in.next();
            if (dy < 0)
                return false;
            y += dy;
        } else {
            // Literal pixels, padded to a 16-bit boundary.
            const qint64 bytes = four ? (code + 1) / 2 : code;
            if (!in.skip(bytes + (bytes & 1)))
                return false;
        }
    }
    return true;
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

bool jpegComplete(QIODevice& file) {
    ByteReader in(file);
    if (in.next() != 0xFF || in.next() != 0xD8)
        return true; // not a JPEG stream
    int marker = -1; // a marker already read from the coded data
    for (;;) {
        if (marker < 0) {
            int b = in.next();
            if (b != 0xFF)
                return false;
            while (b == 0xFF)
                b = in.next();
            if (b < 0)
                return false;
            marker = b;
        }
        const int m = marker;
        marker = -1;
        if (m == 0xD9)
            return true;
        if ((m >= 0xD0 && m <= 0xD7) || m == 0x01)
            continue;
        const int hi = in.next(), lo = in.next();
        if (lo < 0 || (hi << 8 | lo) < 2 || !in.skip((hi << 8 | lo) - 2))
            return false;
        if (m != 0xDA)
            continue;
        // Entropy-coded data: 0xFF is followed by a stuffed 0, a restart marker or the next
        // marker.
        for (;;) {
            int b = in.next();
            if (b < 0)
                return false;
            if (b != 0xFF)
                continue;
            while (b == 0xFF)
                b = in.next();
            if (b < 0)
                return false;
            if (b == 0 || (b >= 0xD0 && b <= 0xD7))
                continue;
            marker = b;
            break;
        }
    }
}

} // namespace quillpix::pictures
