#include "characters.h"

#include "textlayer.h"

#include <vector>

namespace quillpix::textplacing {
namespace {

// Where one of the engine's folded characters comes from: its line and symbol, and whether it
// is the symbol's first (a ligature holds several).
struct EngineCharacter {
    QString folded;
    int line = 0;
    qsizetype symbol = 0;
    bool first = false;
};

// The engine's characters as matchToEngine counts them: each symbol's folded code points, white
// space left out.
std::vector<EngineCharacter> engineCharacters(const QList<enginelayout::Line>& lines) {
    std::vector<EngineCharacter> out;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const QList<enginelayout::Symbol>& symbols = lines[l].symbols;
        for (qsizetype s = 0; s < symbols.size(); ++s) {
            bool first = true;
            const QList<uint> folded = foldForMatching(symbols[s].text).toUcs4();
            for (const uint c : folded) {
                if (QChar::isSpace(c))
                    continue;
                out.push_back({QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1), int(l),
                               s, first});
                first = false;
            }
        }
    }
    return out;
}

// The engine's folded characters from `from` on, as many as `count`, joined.
QString engineText(const std::vector<EngineCharacter>& engine, qsizetype from, qsizetype count) {
    QString out;
    for (qsizetype i = from; i < from + count && i < qsizetype(engine.size()); ++i)
        out += engine[size_t(i)].folded;
    return out;
}

} // namespace

QList<PlacedCharacter> placeCharacters(const QList<enginelayout::Line>& lines,
                                       const QString& text) {
    const std::vector<EngineCharacter> engine = engineCharacters(lines);
    const QList<qsizetype> anchors = matchToEngine(text, lines);
    QList<PlacedCharacter> placed;
    placed.reserve(anchors.size());
    bool afterSpace = true;
    qsizetype previousAnchor = -1;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QString written = text.mid(i, length);
        const qsizetype at = i;
        i += length;
        if (written.size() == 1 && written[0].isSpace()) {
            afterSpace = true;
            continue;
        }
        PlacedCharacter character;
        character.text = written;
        character.at = at;
        const qsizetype anchor = anchors.value(placed.size(), -1);
        if (anchor >= 0 && anchor < qsizetype(engine.size())) {
            const EngineCharacter& source = engine[size_t(anchor)];
            const enginelayout::Symbol& symbol = lines[source.line].symbols[source.symbol];
            character.line = source.line;
            character.box = symbol.box;
            character.confidence = symbol.confidence;
            const bool sameSymbolAsBefore = anchor == previousAnchor;
            const QString folded = foldForMatching(written);
            character.changed =
                sameSymbolAsBefore || folded != engineText(engine, anchor, folded.toUcs4().size());
            // The engine starts a word at the start of each of its lines.
            character.startsWord =
                afterSpace || (!sameSymbolAsBefore && source.first && symbol.startsWord);
        } else {
            character.changed = true;
            character.startsWord = afterSpace;
        }
        previousAnchor = anchor;
        afterSpace = false;
        placed.append(std::move(character));
    }
    return placed;
}

} // namespace quillpix::textplacing
