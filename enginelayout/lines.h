#pragma once

#include <QList>
#include <QRect>
#include <QString>

// What the engine recognised on a picture and where: plain values, so that any engine run can
// fill them, the searchable PDF can place its text layer on them and a test can write them by
// hand, without any of them linking the engine or the PDF library.
namespace quillpix::enginelayout {

// How a line reads: left to right, or top to bottom (vertical Japanese, whose columns follow
// one another from right to left).
enum class Direction { Horizontal, Vertical };

// One character (rarely a few: a ligature) as the engine recognised it, with its box.
struct Symbol {
    QString text;
    QRect box;
    bool startsWord = false; // the first symbol of one of the engine's words
    bool operator==(const Symbol&) const = default;
};

struct Line {
    Direction direction = Direction::Horizontal;
    QRect box;
    QList<Symbol> symbols; // in reading order
    bool operator==(const Line&) const = default;
};

} // namespace quillpix::enginelayout
