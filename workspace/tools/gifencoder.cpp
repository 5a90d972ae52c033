#include "gifencoder.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace quillpix::gif {
namespace {

constexpr int kMaxCodes = 4096; // 12-bit codes at most

// Packs codes of varying width, least significant bit first, as the GIF decoder unpacks them.
class BitWriter {
public:
    void put(int code, int width) {
        m_buffer |= static_cast<std::uint32_t>(code) << m_bits;
        m_bits += width;
        while (m_bits >= 8) {
            m_out.append(static_cast<char>(m_buffer & 0xFF));
            m_buffer >>= 8;
            m_bits -= 8;
        }
    }
    QByteArray finish() {
        if (m_bits > 0)
            m_out.append(static_cast<char>(m_buffer & 0xFF));
        m_buffer = 0;
        m_bits = 0;
        return m_out;
    }

private:
    QByteArray m_out;
    std::uint32_t m_buffer = 0;
    int m_bits = 0;
};

void appendWord(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

} // namespace

QByteArray lzwCompress(const QByteArray& indices, int minCodeSize) {
    if (minCodeSize < 2 || minCodeSize > 8)
        throw std::invalid_argument("GIF minimum code size must be 2 to 8");
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const int alphabet = clearCode;

    // child[code * alphabet + index] is the code of the string "code's string + index",
    // 0 when not yet in the table (0 is never a string code that can have a parent here,
    // because codes of multi-pixel strings start above the end code).
    std::vector<std::uint16_t> child(static_cast<std::size_t>(kMaxCodes) * alphabet, 0);
    int nextCode = endCode + 1;
    int width = minCodeSize + 1;
    BitWriter bits;
    bits.put(clearCode, width);

    auto pixel = [&](qsizetype i) {
        const int index = static_cast<std::uint8_t>(indices[i]);
        if (index >= alphabet)
            throw std::invalid_argument("pixel index beyond the GIF colour table");
        return index;
    };

    if (indices.isEmpty()) {
        bits.put(endCode, width);
        return bits.finish();
    }

    int current = pixel(0);
    for (qsizetype i = 1; i < indices.size(); ++i) {
        const int index = pixel(i);
        const std::size_t slot = static_cast<std::size_t>(current) * alphabet + index;
        if (child[slot] != 0) {
            current = child[slot];
            continue;
        }
        bits.put(current, width);
        if (nextCode < kMaxCodes) {
            child[slot] = static_cast<std::uint16_t>(nextCode);
            // The decoder adds this entry only after it has read the next code, and widens
            // its codes once its table has no room left at the current width; widening here
            // when the new entry itself needs the extra bit keeps the two in step.
            if (nextCode == (1 << width) && width < 12)
                ++width;
            ++nextCode;
        } else {
            bits.put(clearCode, width);
            std::fill(child.begin(), child.end(), 0);
            nextCode = endCode + 1;
            width = minCodeSize + 1;
        }
        current = index;
    }
    bits.put(current, width);
    // After reading the last code the decoder adds one more entry and may widen its codes;
    // the end code must be written at the width it then expects.
    if (nextCode < kMaxCodes && nextCode == (1 << width) && width < 12)
        ++width;
    bits.put(endCode, width);
    return bits.finish();
}

QByteArray encode(const QImage& indexed) {
    if (indexed.format() != QImage::Format_Indexed8)
        throw std::invalid_argument("GIF encoder needs an 8-bit indexed picture");
    if (indexed.isNull() || indexed.width() < 1 || indexed.height() < 1)
        throw std::invalid_argument("GIF encoder needs a picture with pixels");
    if (indexed.width() > 0xFFFF || indexed.height() > 0xFFFF)
        throw std::invalid_argument("GIF pictures are at most 65535 pixels on a side");
    const QList<QRgb> colours = indexed.colorTable();
    if (colours.isEmpty() || colours.size() > 256)
        throw std::invalid_argument("GIF colour table must hold 1 to 256 colours");

    int tableBits = 1; // the table holds 2^tableBits entries
    while ((1 << tableBits) < colours.size())
        ++tableBits;
    const int minCodeSize = std::max(2, tableBits);

    QByteArray indices;
    indices.reserve(qsizetype(indexed.width()) * indexed.height());
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* row = indexed.constScanLine(y);
        // The padding entries of the table are black; a pixel pointing at one would change
        // colour silently, so it is refused like any index beyond the table.
        for (int x = 0; x < indexed.width(); ++x)
            if (row[x] >= colours.size())
                throw std::invalid_argument("pixel index beyond the GIF colour table");
        indices.append(reinterpret_cast<const char*>(row), indexed.width());
    }
    const QByteArray data = lzwCompress(indices, minCodeSize);

    QByteArray out("GIF89a");
    appendWord(out, indexed.width());
    appendWord(out, indexed.height());
    // Global colour table present, 8 bits of colour resolution, unsorted, table size.
    out.append(static_cast<char>(0x80 | 0x70 | (tableBits - 1)));
    out.append('\0'); // background colour index
    out.append('\0'); // no aspect ratio
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = i < colours.size() ? colours[i] : qRgb(0, 0, 0);
        out.append(static_cast<char>(qRed(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qBlue(c)));
    }
    out.append(',');
    appendWord(out, 0);
    appendWord(out, 0);
    appendWord(out, indexed.width());
    appendWord(out, indexed.height());
    out.append('\0'); // no local table, not interlaced
    out.append(static_cast<char>(minCodeSize));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const qsizetype n = std::min<qsizetype>(255, data.size() - at);
        out.append(static_cast<char>(n));
        out.append(data.constData() + at, n);
    }
    out.append('\0'); // block terminator
    out.append(';');  // trailer
    return out;
}

} // namespace quillpix::gif
