#pragma once

#include "layoutxml.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

// A page's characters nested as both documents nest them, every box settled and every text fit
// for XML, so that the two writers differ only in how they spell the same structure.
namespace quillpix::layoutxml::detail {

struct Glyph {
    QString text;
    QRect box; // never empty where the page is not
    float confidence = enginelayout::kNoConfidence;
    QStringList alternatives;
    bool doubtful = false;
};

struct Word {
    QRect box;
    QList<Glyph> glyphs;
    bool spaceBefore = false; // the saved text has white space between it and the word before
};

struct TextLine {
    enginelayout::Direction direction = enginelayout::Direction::Horizontal;
    QRect box;
    QList<Word> words;
};

struct Block {
    QRect box;
    QList<TextLine> lines;
};

// The page's rectangle, from the top left corner of the picture.
QRect pictureBox(const PageText& page);
QList<Block> blocksOf(const PageText& page);

// U+FFFD for each character XML 1.0 cannot hold.
QString xmlSafe(const QString& text);

// The confidence as 0 to 100, nothing where the engine gave none.
std::optional<double> knownConfidence(float confidence);
std::optional<double> meanConfidence(const Word& word);

QString textOf(const Word& word);
bool isVertical(const Block& block);

} // namespace quillpix::layoutxml::detail
