#include "fontdata.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quillpix::searchablepdf {
namespace {

constexpr int kUnitsPerEm = 1000;
constexpr int kGlyphs = 2;

void put16(QByteArray& out, int value) {
    out += char((value >> 8) & 0xFF);
    out += char(value & 0xFF);
}

void put32(QByteArray& out, std::uint32_t value) {
    put16(out, int(value >> 16));
    put16(out, int(value & 0xFFFF));
}

std::uint32_t checksum(const QByteArray& data) {
    std::uint32_t sum = 0;
    for (qsizetype i = 0; i < data.size(); i += 4) {
        std::uint32_t word = 0;
        for (qsizetype k = 0; k < 4; ++k)
            word = (word << 8) | (i + k < data.size() ? std::uint8_t(data[i + k]) : 0);
        sum += word;
    }
    return sum;
}

QByteArray head() {
    QByteArray t;
    put32(t, 0x00010000);      // version
    put32(t, 0x00010000);      // font revision
    put32(t, 0);               // checksum adjustment, set once the whole font is known
    put32(t, 0x5F0F3CF5);      // magic number
    put16(t, 0x000B);          // baseline at 0, left side bearing at 0, integer scaling
    put16(t, kUnitsPerEm);     // units per em
    t += QByteArray(16, '\0'); // created, modified
    put16(t, 0);               // x min
    put16(t, 0);               // y min
    put16(t, kUnitsPerEm);     // x max
    put16(t, kUnitsPerEm);     // y max
    put16(t, 0);               // mac style
    put16(t, 8);               // smallest readable size in pixels
    put16(t, 2);               // font direction hint
    put16(t, 0);               // short loca offsets
    put16(t, 0);               // glyph data format
    return t;
}

QByteArray hhea() {
    QByteArray t;
    put32(t, 0x00010000);
    put16(t, kUnitsPerEm); // ascender
    put16(t, 0);           // descender
    put16(t, 0);           // line gap
    put16(t, kUnitsPerEm); // advance width max
    put16(t, 0);           // min left side bearing
    put16(t, 0);           // min right side bearing
    put16(t, kUnitsPerEm); // x max extent
    put16(t, 1);           // caret slope rise
    put16(t, 0);           // caret slope run
    put16(t, 0);           // caret offset
    t += QByteArray(8, '\0');
    put16(t, 0);       // metric data format
    put16(t, kGlyphs); // number of horizontal metrics
    return t;
}

QByteArray maxp() {
    QByteArray t;
    put32(t, 0x00010000);
    put16(t, kGlyphs);
    put16(t, 0); // max points
    put16(t, 0); // max contours
    put16(t, 0); // max composite points
    put16(t, 0); // max composite contours
    put16(t, 2); // max zones
    t += QByteArray(16, '\0');
    return t;
}

QByteArray hmtx() {
    QByteArray t;
    for (int g = 0; g < kGlyphs; ++g) {
        put16(t, kUnitsPerEm);
        put16(t, 0);
    }
    return t;
}

QByteArray loca() {
    // Every glyph is empty: all offsets 0.
    return QByteArray((kGlyphs + 1) * 2, '\0');
}

QByteArray cmap() {
    // One Unicode subtable that maps nothing: the PDF reaches the glyphs through its own map.
    QByteArray t;
    put16(t, 0); // version
    put16(t, 1); // tables
    put16(t, 3); // Windows
    put16(t, 1); // Unicode BMP
    put32(t, 12);
    put16(t, 4);  // format
    put16(t, 24); // length
    put16(t, 0);  // language
    put16(t, 2);  // segments times two
    put16(t, 2);  // search range
    put16(t, 0);  // entry selector
    put16(t, 0);  // range shift
    put16(t, 0xFFFF);
    put16(t, 0); // reserved
    put16(t, 0xFFFF);
    put16(t, 1); // id delta
    put16(t, 0); // id range offset
    return t;
}

QByteArray name() {
    const QString family = QStringLiteral("QuillpixGlyphless");
    QByteArray text;
    for (QChar c : family)
        put16(text, c.unicode());
    QByteArray t;
    put16(t, 0);  // format
    put16(t, 1);  // records
    put16(t, 18); // string offset
    put16(t, 3);  // Windows
    put16(t, 1);  // Unicode BMP
    put16(t, 0x409);
    put16(t, 1); // family name
    put16(t, int(text.size()));
    put16(t, 0);
    return t + text;
}

QByteArray post() {
    QByteArray t;
    put32(t, 0x00030000); // no glyph names
    put32(t, 0);          // italic angle
    put16(t, -100);       // underline position
    put16(t, 50);         // underline thickness
    put32(t, 1);          // fixed pitch
    t += QByteArray(16, '\0');
    return t;
}

QByteArray hex4(int code) {
    return QByteArray::number(code, 16).toUpper().rightJustified(4, '0');
}

} // namespace

QByteArray glyphlessTrueType() {
    // Sorted by tag, as the table directory must be.
    const std::vector<std::pair<const char*, QByteArray>> tables = {
        {"cmap", cmap()}, {"glyf", QByteArray()}, {"head", head()},
        {"hhea", hhea()}, {"hmtx", hmtx()},       {"loca", loca()},
        {"maxp", maxp()}, {"name", name()},       {"post", post()}};
    const int count = int(tables.size());
    int power = 1;
    int selector = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++selector;
    }
    QByteArray font;
    put32(font, 0x00010000);
    put16(font, count);
    put16(font, power * 16);
    put16(font, selector);
    put16(font, count * 16 - power * 16);
    qsizetype offset = 12 + 16 * count;
    QByteArray body;
    qsizetype headOffset = 0;
    for (const auto& [tag, data] : tables) {
        font += tag;
        put32(font, checksum(data));
        put32(font, std::uint32_t(offset + body.size()));
        put32(font, std::uint32_t(data.size()));
        if (QByteArrayView(tag) == "head")
            headOffset = offset + body.size();
        body += data;
        body += QByteArray((4 - body.size() % 4) % 4, '\0');
    }
    font += body;
    const std::uint32_t adjustment = 0xB1B0AFBA - checksum(font);
    for (int k = 0; k < 4; ++k)
        font[headOffset + 8 + k] = char((adjustment >> (24 - 8 * k)) & 0xFF);
    return font;
}

QByteArray toUnicodeCMap(const QStringList& texts) {
    QByteArray out = "/CIDInit /ProcSet findresource begin\n"
                     "12 dict begin\n"
                     "begincmap\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                     "/CMapName /Adobe-Identity-UCS def\n"
                     "/CMapType 2 def\n"
                     "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    // A block holds at most a hundred entries.
    constexpr qsizetype kBlock = 100;
    for (qsizetype first = 0; first < texts.size(); first += kBlock) {
        const qsizetype n = std::min(kBlock, texts.size() - first);
        out += QByteArray::number(n) + " beginbfchar\n";
        for (qsizetype i = first; i < first + n; ++i) {
            out += '<' + hex4(int(i + 1)) + "> <";
            for (QChar c : texts[i])
                out += hex4(c.unicode());
            out += ">\n";
        }
        out += "endbfchar\n";
    }
    out += "endcmap\n"
           "CMapName currentdict /CMap defineresource pop\n"
           "end\n"
           "end\n";
    return out;
}

QByteArray allToGlyphOne(int count) {
    QByteArray map;
    map.reserve(2 * qsizetype(count));
    for (int code = 0; code < count; ++code) {
        map += '\0';
        map += '\1';
    }
    return map;
}

} // namespace quillpix::searchablepdf
