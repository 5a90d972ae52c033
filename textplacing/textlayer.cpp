#include "textlayer.h"

#include "cleanup.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace quillpix::textplacing {
namespace {

// Beyond what the clean-up replaces, a user may type any full-width form of ASCII or an opening
// quote where the engine read the plain one.
constexpr char32_t kFullwidthFirst = 0xFF01; // ！
constexpr char32_t kFullwidthLast = 0xFF5E;  // ～
constexpr char32_t kFullwidthOffset = 0xFEE0;
constexpr char32_t kLeftSingleQuote = 0x2018;

void appendCodePoint(QString& out, char32_t c) {
    if (QChar::requiresSurrogates(c)) {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    } else {
        out += QChar(char16_t(c));
    }
}

void appendFolded(QString& out, char32_t c) {
    // The clean-up's own fold comes first, so that a change to its rules moves the fold with them.
    const QString byRules = cleanup::folded(c);
    if (!byRules.isEmpty()) {
        out += byRules;
        return;
    }
    if (c >= kFullwidthFirst && c <= kFullwidthLast)
        c -= kFullwidthOffset;
    else if (c == kLeftSingleQuote)
        c = u'\'';
    appendCodePoint(out, c);
}

// Calls f(code point, its text) for each code point; a lone surrogate is a code point of its own.
template <typename F> void forEachCodePoint(const QString& text, F f) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate() ? 2 : 1;
        const char32_t c =
            length == 2 ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        f(c, text.mid(i, length));
        i += length;
    }
}

std::vector<char32_t> codePoints(const QString& text) {
    std::vector<char32_t> out;
    forEachCodePoint(text, [&](char32_t c, const QString&) { out.push_back(c); });
    return out;
}

bool isLineBreak(char32_t c) {
    return c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v' || c == 0x2028 || c == 0x2029;
}

// One character of the engine's reading, folded, and the stretch of its line it covers.
struct EngineCharacter {
    char32_t folded = 0;
    qsizetype line = 0;
    qsizetype symbol = 0;
    double from = 0;
    double to = 0;
};

// How wide a character is set, in ems: Japanese and full-width forms fill the em square, the
// rest is taken as half of it. By Unicode block, not by code page 932 as the paragraph joining
// counts columns: the engine reads kanji that code page 932 lacks, and these fill the em.
double setWidth(char32_t c) {
    const bool wide = (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                      (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
                      (c >= 0xFF01 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
    return wide ? 1.0 : 0.5;
}

// Punctuation whose ink covers only the first part of its cell, which a line's box then ends
// early with.
bool isSmallPunctuation(char32_t c) {
    switch (c) {
    case u'.':
    case u',':
    case 0x3001: // 、
    case 0x3002: // 。
    case 0xFF0C: // ，
    case 0xFF0E: // ．
    case 0x300D: // 」
    case 0x300F: // 』
    case 0xFF09: // ）
        return true;
    default:
        return false;
    }
}

// The engine's own boxes of its symbols are kept only where they can be trusted: on lines of
// Latin script written across. On Japanese lines its boxes drift by a character or more from
// the ink, and on vertical ones they are empty, while the line's box is right.
bool symbolBoxesUsable(const Line& line) {
    if (line.direction == Direction::Vertical)
        return false;
    const QRect around = line.box.adjusted(-line.box.height(), -line.box.height(),
                                           line.box.height(), line.box.height());
    int previousLeft = std::numeric_limits<int>::min();
    for (const Symbol& symbol : line.symbols) {
        for (char32_t c : codePoints(symbol.text))
            if (setWidth(c) > 0.5)
                return false;
        if (symbol.box.isEmpty() || !around.contains(symbol.box) ||
            symbol.box.left() < previousLeft)
            return false;
        previousLeft = symbol.box.left();
    }
    return true;
}

// Where each symbol of a line lies along it, from and to: its own box, or else the line's box
// shared as typesetting shares it, by the set width of the characters.
std::vector<std::pair<double, double>> symbolSpans(const Line& line) {
    const bool vertical = line.direction == Direction::Vertical;
    std::vector<std::pair<double, double>> spans;
    if (symbolBoxesUsable(line)) {
        for (const Symbol& symbol : line.symbols)
            spans.emplace_back(symbol.box.x(), symbol.box.x() + symbol.box.width());
        return spans;
    }
    std::vector<double> widths;
    double total = 0;
    for (const Symbol& symbol : line.symbols) {
        double width = 0;
        for (char32_t c : codePoints(symbol.text))
            width += setWidth(c);
        widths.push_back(width);
        total += width;
    }
    // The box ends where the last character's ink does: most of the way through its cell, or
    // a third of the way for a full stop.
    double unused = 0;
    if (!line.symbols.isEmpty()) {
        const std::vector<char32_t> last = codePoints(line.symbols.last().text);
        const bool small = last.size() == 1 && isSmallPunctuation(last.front());
        unused = widths.back() * (small ? 0.7 : 0.05);
    }
    const double start = vertical ? line.box.y() : line.box.x();
    const double length = vertical ? line.box.height() : line.box.width();
    const double em =
        total - unused > 0 ? length / (total - unused) : length / std::max(total, 1.0);
    double at = start;
    for (double width : widths) {
        spans.emplace_back(at, at + width * em);
        at += width * em;
    }
    return spans;
}

std::vector<EngineCharacter> engineCharacters(const QList<Line>& lines) {
    std::vector<EngineCharacter> out;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const std::vector<std::pair<double, double>> spans = symbolSpans(lines[l]);
        for (qsizetype s = 0; s < lines[l].symbols.size(); ++s) {
            const std::vector<char32_t> folded =
                codePoints(foldForMatching(lines[l].symbols[s].text));
            std::vector<char32_t> shown;
            for (char32_t c : folded)
                if (!QChar::isSpace(c))
                    shown.push_back(c);
            // A ligature's characters share its span in equal parts.
            const auto [from, to] = spans[size_t(s)];
            const double k = double(shown.size());
            for (size_t i = 0; i < shown.size(); ++i)
                out.push_back({shown[i], l, s, from + (to - from) * double(i) / k,
                               from + (to - from) * double(i + 1) / k});
        }
    }
    return out;
}

// One character of the saved text: as written, folded, and the white space before it that
// the layer shows as a space ("" for none).
struct TextCharacter {
    QString text;
    std::vector<char32_t> folded;
    QString space;
};

std::vector<TextCharacter> textCharacters(const QString& text) {
    std::vector<TextCharacter> out;
    bool blank = false;
    bool lineBreak = false;
    QString space;
    char32_t previous = 0;
    forEachCodePoint(text, [&](char32_t c, const QString& written) {
        if (QChar::isSpace(c)) {
            if (isLineBreak(c)) {
                lineBreak = true;
            } else if (!blank) {
                blank = true;
                space = c == u'\t' ? QStringLiteral(" ") : written;
            }
            return;
        }
        TextCharacter character;
        character.text = written;
        character.folded = codePoints(foldForMatching(written));
        // A line break reads as a space after a narrow character (Latin words): a line ending
        // in one and the next line are two words in one line of the layer. After Japanese it
        // reads as nothing, as the clean-up drops a space there.
        if (!out.empty()) {
            if (blank)
                character.space = space;
            else if (lineBreak && setWidth(previous) < 1)
                character.space = QStringLiteral(" ");
        }
        out.push_back(std::move(character));
        blank = false;
        lineBreak = false;
        previous = c;
    });
    return out;
}

constexpr qsizetype kInserted = -1;

// For each of t, the index of the e it is aligned with, or kInserted. Levenshtein distance
// with one for a substitution, an insertion and a deletion alike; a common start and end are
// taken as they are, which is the whole text when nobody edited it.
std::vector<qsizetype> align(const std::vector<char32_t>& t, const std::vector<char32_t>& e) {
    const qsizetype n = qsizetype(t.size());
    const qsizetype m = qsizetype(e.size());
    std::vector<qsizetype> anchor(size_t(n), kInserted);
    qsizetype prefix = 0;
    while (prefix < n && prefix < m && t[size_t(prefix)] == e[size_t(prefix)]) {
        anchor[size_t(prefix)] = prefix;
        ++prefix;
    }
    qsizetype suffix = 0;
    while (suffix < n - prefix && suffix < m - prefix &&
           t[size_t(n - 1 - suffix)] == e[size_t(m - 1 - suffix)]) {
        anchor[size_t(n - 1 - suffix)] = m - 1 - suffix;
        ++suffix;
    }
    const qsizetype rows = n - prefix - suffix;
    const qsizetype columns = m - prefix - suffix;
    if (rows == 0 || columns == 0)
        return anchor;
    if ((rows + 1) * (columns + 1) > kMaximumAlignment) {
        for (qsizetype i = 0; i < rows; ++i)
            anchor[size_t(prefix + i)] = prefix + i * columns / rows;
        return anchor;
    }
    enum : std::uint8_t { Diagonal, Up, Left };
    const qsizetype width = columns + 1;
    std::vector<std::uint8_t> step(size_t((rows + 1) * width));
    std::vector<qsizetype> above(static_cast<size_t>(width));
    std::vector<qsizetype> here(static_cast<size_t>(width));
    for (qsizetype j = 0; j <= columns; ++j) {
        above[size_t(j)] = j;
        step[size_t(j)] = Left;
    }
    for (qsizetype i = 1; i <= rows; ++i) {
        here[0] = i;
        step[size_t(i * width)] = Up;
        const char32_t c = t[size_t(prefix + i - 1)];
        for (qsizetype j = 1; j <= columns; ++j) {
            const qsizetype diagonal =
                above[size_t(j - 1)] + (c == e[size_t(prefix + j - 1)] ? 0 : 1);
            const qsizetype left = here[size_t(j - 1)] + 1;
            const qsizetype up = above[size_t(j)] + 1;
            std::uint8_t best = Diagonal;
            qsizetype cost = diagonal;
            if (left < cost) {
                cost = left;
                best = Left;
            }
            if (up < cost) {
                cost = up;
                best = Up;
            }
            here[size_t(j)] = cost;
            step[size_t(i * width + j)] = best;
        }
        std::swap(above, here);
    }
    for (qsizetype i = rows, j = columns; i > 0 || j > 0;) {
        switch (step[size_t(i * width + j)]) {
        case Diagonal:
            anchor[size_t(prefix + i - 1)] = prefix + j - 1;
            --i;
            --j;
            break;
        case Up:
            --i;
            break;
        default:
            --j;
            break;
        }
    }
    return anchor;
}

struct Cell {
    qsizetype engine = 0;            // the engine character it sits on
    std::vector<qsizetype> contents; // text characters, in order
};

// The glyphs of one line's cells, each reaching to the next cell.
Run layLine(const Line& line, const std::vector<Cell>& cells,
            const std::vector<EngineCharacter>& engine, const std::vector<TextCharacter>& text) {
    Run run;
    run.direction = line.direction;
    const bool vertical = line.direction == Direction::Vertical;
    QRect box = line.box;
    if (box.isEmpty())
        for (const Symbol& symbol : line.symbols)
            box = box.united(symbol.box);
    run.size = std::max(1, vertical ? box.width() : box.height());
    // A line whose characters cannot all have their least advance within its length at its
    // height (the engine boxed a column as a line across) would run past its box, off the page,
    // where viewers drop the text: it is set smaller instead, so that they fit.
    qsizetype characters = 0;
    for (const Cell& cell : cells)
        characters += qsizetype(cell.contents.size());
    const double length = vertical ? box.height() : box.width();
    if (characters > 0 && length > 0)
        run.size = std::min(run.size, length / (kMinimumAdvance * double(characters)));
    const double start = engine[size_t(cells.front().engine)].from;
    run.origin = vertical ? QPointF(box.x(), start) : QPointF(start, box.y() + box.height());

    const double minimumAdvance = kMinimumAdvance * run.size;
    const double minimumSpace = kMinimumSpace * run.size;
    double cursor = start;
    for (size_t j = 0; j < cells.size(); ++j) {
        const Cell& cell = cells[j];
        const EngineCharacter& here = engine[size_t(cell.engine)];
        QList<Glyph> glyphs;
        for (size_t k = 0; k < cell.contents.size(); ++k) {
            const TextCharacter& character = text[size_t(cell.contents[k])];
            if (k > 0 && !character.space.isEmpty())
                glyphs.append({character.space, 0});
            glyphs.append({character.text, 0});
        }
        const bool last = j + 1 == cells.size();
        const double next = last ? 0 : engine[size_t(cells[j + 1].engine)].from;
        const QString spaceAfter =
            last ? QString() : text[size_t(cells[j + 1].contents.front())].space;
        double end = last                   ? here.to
                     : spaceAfter.isEmpty() ? next
                                            : std::min(here.to, next - minimumSpace);
        end = std::max(end, cursor + minimumAdvance * double(glyphs.size()));
        const double share = (end - cursor) / double(glyphs.size());
        for (Glyph& glyph : glyphs) {
            glyph.advance = share;
            run.glyphs.append(glyph);
        }
        cursor = end;
        if (!spaceAfter.isEmpty()) {
            const double spaceEnd = std::max(next, cursor + minimumSpace);
            run.glyphs.append({spaceAfter, spaceEnd - cursor});
            cursor = spaceEnd;
        }
    }
    return run;
}

} // namespace

QString foldForMatching(const QString& text) {
    QString out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c, const QString&) { appendFolded(out, c); });
    return out;
}

namespace {

// The anchors of every folded unit of the text's characters, before they go to characters.
std::vector<qsizetype> characterAnchors(const std::vector<TextCharacter>& text,
                                        const std::vector<EngineCharacter>& engine) {
    std::vector<char32_t> t;
    std::vector<qsizetype> owner;
    for (size_t i = 0; i < text.size(); ++i)
        for (char32_t c : text[i].folded) {
            t.push_back(c);
            owner.push_back(qsizetype(i));
        }
    std::vector<char32_t> e;
    e.reserve(engine.size());
    for (const EngineCharacter& character : engine)
        e.push_back(character.folded);
    const std::vector<qsizetype> unitAnchor = align(t, e);

    std::vector<qsizetype> anchor(text.size(), kInserted);
    for (size_t u = 0; u < t.size(); ++u)
        if (anchor[size_t(owner[u])] == kInserted)
            anchor[size_t(owner[u])] = unitAnchor[u];
    if (engine.empty())
        return anchor;
    // What the engine did not read goes with the character before it.
    qsizetype previous = kInserted;
    for (qsizetype& a : anchor) {
        if (a == kInserted)
            a = previous;
        else
            previous = a;
    }
    // Before the first that was read, the alignment never leaves out engine characters (a
    // substitution is cheaper), so those go with the engine's first.
    for (qsizetype& a : anchor) {
        if (a != kInserted)
            break;
        a = 0;
    }
    return anchor;
}

} // namespace

QList<EngineCharacterAt> engineCharactersOf(const QList<Line>& lines) {
    QList<EngineCharacterAt> out;
    for (const EngineCharacter& c : engineCharacters(lines))
        out.append({c.folded, c.line, c.symbol});
    return out;
}

QList<qsizetype> matchToEngine(const QString& text, const QList<Line>& lines) {
    const std::vector<qsizetype> anchor =
        characterAnchors(textCharacters(text), engineCharacters(lines));
    return QList<qsizetype>(anchor.begin(), anchor.end());
}

QList<Run> layText(const QList<Line>& lines, const QString& text) {
    const std::vector<EngineCharacter> engine = engineCharacters(lines);
    const std::vector<TextCharacter> characters = textCharacters(text);
    if (engine.empty() || characters.empty())
        return {};
    const std::vector<qsizetype> anchor = characterAnchors(characters, engine);

    // The cells of each line, in the order of the text (which is the engine's order, as the
    // alignment never crosses itself).
    std::vector<std::vector<Cell>> cells(size_t(lines.size()));
    for (size_t i = 0; i < characters.size(); ++i) {
        std::vector<Cell>& line = cells[size_t(engine[size_t(anchor[i])].line)];
        if (line.empty() || line.back().engine != anchor[i])
            line.push_back({anchor[i], {}});
        line.back().contents.push_back(qsizetype(i));
    }
    QList<Run> runs;
    for (qsizetype l = 0; l < lines.size(); ++l)
        if (!cells[size_t(l)].empty())
            runs.append(layLine(lines[l], cells[size_t(l)], engine, characters));
    return runs;
}

} // namespace quillpix::textplacing
