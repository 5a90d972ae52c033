#include "pagestructure.h"

#include <algorithm>

namespace quillpix::layoutxml::detail {

using enginelayout::Direction;
using textplacing::PlacedCharacter;

namespace {

// Empty when nothing of the box lies on the picture.
QRect clamped(const QRect& box, const QRect& picture) {
    const QRect inside = box.intersected(picture);
    return inside.isEmpty() ? QRect() : inside;
}

template <typename Items, typename BoxOf> QRect unitedBoxes(const Items& items, BoxOf boxOf) {
    QRect united;
    for (const auto& item : items) {
        const QRect box = boxOf(item);
        if (!box.isEmpty())
            united = united.isEmpty() ? box : united.united(box);
    }
    return united;
}

// Characters whose line is not on the page count as placed on none.
int lineIndex(const PlacedCharacter& character, const PageText& page) {
    return character.line >= 0 && character.line < page.lines.size() ? character.line : -1;
}

bool whiteSpaceBetween(const PlacedCharacter& before, const PlacedCharacter& after) {
    return after.at > before.at + before.text.size();
}

TextLine lineOf(const PageText& page, qsizetype first, qsizetype end, int index) {
    const QRect picture = pictureBox(page);
    TextLine line;
    if (index >= 0)
        line.direction = page.lines[index].direction;
    for (qsizetype i = first; i < end; ++i) {
        const PlacedCharacter& character = page.characters[i];
        if (i == first || character.startsWord) {
            line.words.append(Word());
            line.words.last().spaceBefore =
                i > first && whiteSpaceBetween(page.characters[i - 1], character);
        }
        QStringList alternatives;
        for (const QString& alternative : character.alternatives)
            alternatives.append(xmlSafe(alternative));
        line.words.last().glyphs.append({xmlSafe(character.text), clamped(character.box, picture),
                                         character.confidence, alternatives, character.doubtful});
    }
    for (Word& word : line.words)
        word.box = unitedBoxes(word.glyphs, [](const Glyph& glyph) { return glyph.box; });
    line.box = unitedBoxes(line.words, [](const Word& word) { return word.box; });
    // A character without a box (typed where the engine read nothing) takes its word's, a word
    // without any its line's, and a line without any the engine's line or else the page.
    if (line.box.isEmpty() && index >= 0)
        line.box = clamped(page.lines[index].box, picture);
    if (line.box.isEmpty())
        line.box = picture;
    for (Word& word : line.words) {
        if (word.box.isEmpty())
            word.box = line.box;
        for (Glyph& glyph : word.glyphs) {
            if (glyph.box.isEmpty())
                glyph.box = word.box;
        }
    }
    return line;
}

} // namespace

QRect pictureBox(const PageText& page) {
    return QRect(QPoint(0, 0), page.size.expandedTo(QSize(0, 0)));
}

QList<Block> blocksOf(const PageText& page) {
    QList<Block> blocks;
    std::optional<int> lastBlock;
    for (qsizetype first = 0; first < page.characters.size();) {
        const int index = lineIndex(page.characters[first], page);
        qsizetype end = first + 1;
        while (end < page.characters.size() && lineIndex(page.characters[end], page) == index)
            ++end;
        // The characters on no line are a block of their own.
        const std::optional<int> block =
            index >= 0 ? std::optional<int>(page.lines[index].block) : std::nullopt;
        if (blocks.isEmpty() || !block || block != lastBlock)
            blocks.append(Block());
        blocks.last().lines.append(lineOf(page, first, end, index));
        lastBlock = block;
        first = end;
    }
    for (Block& block : blocks)
        block.box = unitedBoxes(block.lines, [](const TextLine& line) { return line.box; });
    return blocks;
}

QString xmlSafe(const QString& text) {
    QString safe;
    safe.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            safe += c;
            safe += text[++i];
            continue;
        }
        const char16_t u = c.unicode();
        const bool allowed = u == u'\t' || u == u'\n' || u == u'\r' ||
                             (u >= 0x20 && !c.isSurrogate() && u != 0xFFFE && u != 0xFFFF);
        safe += allowed ? c : QChar(QChar::ReplacementCharacter);
    }
    return safe;
}

std::optional<double> knownConfidence(float confidence) {
    if (!(confidence >= 0)) // also NaN
        return std::nullopt;
    return std::min(double(confidence), 100.0);
}

std::optional<double> meanConfidence(const Word& word) {
    double sum = 0;
    int count = 0;
    for (const Glyph& glyph : word.glyphs) {
        if (const auto confidence = knownConfidence(glyph.confidence)) {
            sum += *confidence;
            ++count;
        }
    }
    return count > 0 ? std::optional<double>(sum / count) : std::nullopt;
}

QString textOf(const Word& word) {
    QString text;
    for (const Glyph& glyph : word.glyphs)
        text += glyph.text;
    return text;
}

bool isVertical(const Block& block) {
    return std::all_of(block.lines.begin(), block.lines.end(),
                       [](const TextLine& line) { return line.direction == Direction::Vertical; });
}

} // namespace quillpix::layoutxml::detail
