#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// What the engine recognised on a picture and where: plain values, so that any engine run can
// fill them, the searchable PDF can place its text layer on them and a test can write them by
// hand, without any of them linking the engine or the PDF library.
namespace quillpix::enginelayout {

// How a line reads: left to right, or top to bottom (vertical Japanese, whose columns follow
// one another from right to left).
enum class Direction { Horizontal, Vertical };

inline constexpr float kNoConfidence = -1;

// Whether a read gives each symbol the engine's other readings of it (Symbol::alternatives).
// The LSTM engine keeps them only when told to before it recognises, which slows it down.
enum class Alternatives { Without, With };

// One character (rarely a few: a ligature) as the engine recognised it, with its box.
struct Symbol {
    QString text;
    QRect box;
    bool startsWord = false; // the first symbol of one of the engine's words
    // How sure the engine was of it, 0 to 100; kNoConfidence where nobody asked the engine.
    float confidence = kNoConfidence;
    // The engine's other readings of it, most likely first, without text itself; empty unless
    // a read asked for them (Alternatives::With), and often empty even then. Initialised, so
    // that a symbol written as {text, box, ...} may leave it out without a warning.
    QStringList alternatives = {};
    bool operator==(const Symbol&) const = default;
};

struct Line {
    Direction direction = Direction::Horizontal;
    QRect box;
    QList<Symbol> symbols; // in reading order
    int block = 0;         // the text block it belongs to, counted from 0 in reading order
    bool operator==(const Line&) const = default;
};

// The lines with every box, the lines' and the symbols', put through place (QRect -> QRect): the
// one way boxes go from the pixels of one picture to those of another, at the edges where a
// picture was turned for the engine or a page is drawn at another size.
template <typename Place> QList<Line> withBoxesMoved(QList<Line> lines, const Place& place) {
    for (Line& line : lines) {
        line.box = place(line.box);
        for (Symbol& symbol : line.symbols)
            symbol.box = place(symbol.box);
    }
    return lines;
}

// The lines of another read of the same picture (the next text region) after these, their blocks
// numbered on after these lines' blocks.
inline void appendLines(QList<Line>& lines, QList<Line> more) {
    const int next = lines.isEmpty() ? 0 : lines.last().block + 1;
    for (Line& line : more)
        line.block += next;
    lines += std::move(more);
}

} // namespace quillpix::enginelayout
