#include "characters.h"

#include "textlayer.h"

namespace quillpix::textplacing {
namespace {

// The engine's folded characters from `from` on, as many as `count`, joined.
QString engineText(const QList<EngineCharacterAt>& engine, qsizetype from, qsizetype count) {
    QString out;
    for (qsizetype i = from; i < from + count && i < engine.size(); ++i)
        out += QString::fromUcs4(&engine[i].folded, 1);
    return out;
}

} // namespace

QList<PlacedCharacter> placeCharacters(const QList<enginelayout::Line>& lines,
                                       const QString& text) {
    const QList<EngineCharacterAt> engine = engineCharactersOf(lines);
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
        if (anchor >= 0 && anchor < engine.size()) {
            const EngineCharacterAt& source = engine[anchor];
            // A ligature's symbol holds several of the engine's characters; its first one starts
            // it.
            const bool first = anchor == 0 || engine[anchor - 1].symbol != source.symbol ||
                               engine[anchor - 1].line != source.line;
            const enginelayout::Symbol& symbol = lines[source.line].symbols[source.symbol];
            character.line = int(source.line);
            character.box = symbol.box;
            character.confidence = symbol.confidence;
            const bool sameSymbolAsBefore = anchor == previousAnchor;
            const QString folded = foldForMatching(written);
            character.changed =
                sameSymbolAsBefore || folded != engineText(engine, anchor, folded.toUcs4().size());
            // The engine starts a word at the start of each of its lines.
            character.startsWord =
                afterSpace || (!sameSymbolAsBefore && first && symbol.startsWord);
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
