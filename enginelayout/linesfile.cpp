#include "linesfile.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>

namespace quillpix::enginelayout {
namespace {

// The first bytes of the file; the last one is the version, raised when the layout changes,
// so that an older program's file reads as none (and the page is read again).
const QByteArray kMagic("QPXLINE\x02", 8);

void putRect(QDataStream& out, const QRect& r) {
    out << qint32(r.x()) << qint32(r.y()) << qint32(r.width()) << qint32(r.height());
}

QRect takeRect(QDataStream& in) {
    qint32 x = 0, y = 0, w = 0, h = 0;
    in >> x >> y >> w >> h;
    return QRect(x, y, w, h);
}

// A count read from the file, refused when the bytes left could not hold that many items of
// at least `smallest` bytes each: a damaged count must not reserve gigabytes.
bool takeCount(QDataStream& in, qint64 smallest, quint32& count) {
    in >> count;
    const qint64 left = in.device()->bytesAvailable();
    return in.status() == QDataStream::Ok && qint64(count) * smallest <= left;
}

// A box the engine measured lies on its picture, or a little beyond its edges where a
// straightened page's boxes were turned back (they grow to hold their turned corners). One
// further out was not written here: its text would lie off the page.
bool onPicture(const QRect& r, QSize picture) {
    const qint64 margin = std::max(picture.width(), picture.height()) / 10;
    return r.width() >= 0 && r.height() >= 0 && r.x() >= -margin && r.y() >= -margin &&
           qint64(r.x()) + r.width() <= picture.width() + margin &&
           qint64(r.y()) + r.height() <= picture.height() + margin;
}

} // namespace

QByteArray encodeLines(const KeptLines& kept) {
    QByteArray bytes = kMagic;
    QDataStream out(&bytes, QIODevice::Append);
    out.setVersion(QDataStream::Qt_6_4);
    out << kept.key << qint32(kept.picture.width()) << qint32(kept.picture.height())
        << quint32(kept.lines.size());
    for (const Line& line : kept.lines) {
        out << quint8(line.direction == Direction::Vertical ? 1 : 0);
        putRect(out, line.box);
        out << qint32(line.block) << quint32(line.symbols.size());
        for (const Symbol& symbol : line.symbols) {
            out << symbol.text;
            putRect(out, symbol.box);
            out << quint8(symbol.startsWord ? 1 : 0) << symbol.confidence;
        }
    }
    return bytes;
}

std::optional<KeptLines> decodeLines(const QByteArray& bytes) {
    if (!bytes.startsWith(kMagic))
        return std::nullopt;
    QDataStream in(bytes.sliced(kMagic.size()));
    in.setVersion(QDataStream::Qt_6_4);
    KeptLines kept;
    qint32 width = 0, height = 0;
    in >> kept.key >> width >> height;
    kept.picture = QSize(width, height);
    if (width <= 0 || height <= 0)
        return std::nullopt;
    // The least a line takes: its direction, box, block and symbol count; a symbol: an empty
    // text's length, its box, its word flag and its confidence.
    constexpr qint64 kSmallestLine = 1 + 16 + 4 + 4;
    constexpr qint64 kSmallestSymbol = 4 + 16 + 1 + 8;
    quint32 lineCount = 0;
    if (!takeCount(in, kSmallestLine, lineCount))
        return std::nullopt;
    kept.lines.reserve(lineCount);
    for (quint32 i = 0; i < lineCount; ++i) {
        Line line;
        quint8 vertical = 0;
        in >> vertical;
        if (vertical > 1)
            return std::nullopt;
        line.direction = vertical ? Direction::Vertical : Direction::Horizontal;
        line.box = takeRect(in);
        qint32 block = 0;
        in >> block;
        if (!onPicture(line.box, kept.picture) || block < 0)
            return std::nullopt;
        line.block = block;
        quint32 symbolCount = 0;
        if (!takeCount(in, kSmallestSymbol, symbolCount))
            return std::nullopt;
        line.symbols.reserve(symbolCount);
        for (quint32 j = 0; j < symbolCount; ++j) {
            Symbol symbol;
            quint8 startsWord = 0;
            in >> symbol.text;
            symbol.box = takeRect(in);
            in >> startsWord >> symbol.confidence;
            const bool confidenceKnown = symbol.confidence >= 0 && symbol.confidence <= 100;
            if (startsWord > 1 || !onPicture(symbol.box, kept.picture) ||
                (!confidenceKnown && symbol.confidence != kNoConfidence))
                return std::nullopt;
            symbol.startsWord = startsWord == 1;
            line.symbols.append(symbol);
        }
        kept.lines.append(line);
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return kept;
}

} // namespace quillpix::enginelayout
