#pragma once

#include "lines.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// The saved text character by character where it lies on the picture and how sure the engine was
// of it: what the checking of a text walks through, and what hOCR and ALTO hold.
namespace quillpix::textplacing {

// One character of the saved text that is not white space.
struct PlacedCharacter {
    QString text;     // as saved: one code point (two UTF-16 units beyond the BMP)
    qsizetype at = 0; // where it starts in the saved text, in UTF-16 units
    // The engine's line it lies on (an index into the page's lines) and the box of the symbol it
    // was read as; -1 and an empty box on a page whose engine read nothing.
    int line = -1;
    QRect box;
    // The first character of a word: of a line, after white space in the text, or on the first
    // symbol of one of the engine's words.
    bool startsWord = false;
    // The engine's certainty of the symbol, 0 to 100 (enginelayout::kNoConfidence when the lines
    // carry none).
    float confidence = enginelayout::kNoConfidence;
    // The engine's other choices for it, best first, where they were asked for: the engine gives
    // them only at a fifth more time for the whole read, so they are asked for the one
    // character a user is looking at, not kept for every character read.
    QStringList alternatives;
    // The text does not hold here what the engine read: the clean-up or the user changed it, or
    // it was typed where the engine read nothing.
    bool changed = false;
    bool doubtful = false; // set by the doubt rule
    bool operator==(const PlacedCharacter&) const = default;
};

// The characters of text placed on the symbols they were read from (the alignment of
// matchToEngine), in the order of the text.
QList<PlacedCharacter> placeCharacters(const QList<enginelayout::Line>& lines, const QString& text);

} // namespace quillpix::textplacing
