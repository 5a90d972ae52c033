#pragma once

#include "lines.h"

#include <QList>
#include <QPointF>
#include <QString>

// Where the invisible text of a page goes: the saved text matched to the engine's symbols and
// laid along their lines. Pure functions over values; the PDF writer only turns the runs into
// operators.
//
// Poppler and the viewers built on it (and most others) rebuild words and lines from the glyph
// boxes alone: a gap of a tenth of the font size between two glyphs already reads as a space,
// and glyphs on one line must share their baseline and size. So every line is one run on one
// baseline in one size, and each glyph reaches to where the next one starts; a space is a glyph
// of its own that fills the gap between two words. A vertical line is a run turned to read
// downwards, which the text extractors take as a column and put before the column to its left.
namespace quillpix::textplacing {

using enginelayout::Direction;
using enginelayout::Line;
using enginelayout::Symbol;

// The engine writes some characters in another form than the saved text may hold them (the
// clean-up turns full-width digits into ASCII and "." after Japanese into "。"; a user may edit
// either way): both are compared in this form. It is the clean-up's fold (cleanup::folded:
// circled numbers their digits, "。" a period, "’" and "`" an apostrophe), and besides it every
// full-width form of ASCII becomes ASCII and "‘" an apostrophe.
QString foldForMatching(const QString& text);

// One glyph: the characters it stands for and how far it reaches along its run, in pixels.
struct Glyph {
    QString text;
    double advance = 0;
    bool operator==(const Glyph&) const = default;
};

// The glyphs of one line, one after another without gaps. A horizontal run starts at origin
// (the left end of its baseline, which is the bottom of the line) and goes right; a vertical
// run starts at origin (the top of the column's left edge) and goes down. size is the line's
// height (a column's width), which each glyph covers across the run.
struct Run {
    Direction direction = Direction::Horizontal;
    QPointF origin;
    double size = 0;
    QList<Glyph> glyphs;
};

// The shortest glyph, and the narrowest space, as fractions of the run's size: Poppler joins
// glyphs closer than a tenth of the size into one word.
inline constexpr double kMinimumAdvance = 0.05;
inline constexpr double kMinimumSpace = 0.15;

// For each character (code point) of the saved text that is not white space, in order, the
// index of the engine's character it is placed on, counting the folded characters of every
// symbol of every line in order. Characters the engine did not read (an edit) go with the
// character before them, or at the start with the engine's first. The matching is an edit-distance
// alignment of the folded characters; past kMaximumAlignment cells it spreads the text evenly.
QList<qsizetype> matchToEngine(const QString& text, const QList<Line>& lines);

// The engine's characters as matchToEngine counts them (each symbol's folded code points, white
// space left out), each with the line and symbol it comes from.
struct EngineCharacterAt {
    char32_t folded = 0;
    qsizetype line = 0;
    qsizetype symbol = 0;
};
QList<EngineCharacterAt> engineCharactersOf(const QList<Line>& lines);
inline constexpr qsizetype kMaximumAlignment = qsizetype(16) << 20;

// The saved text laid on the lines: one run per line that got characters, in the lines' order.
QList<Run> layText(const QList<Line>& lines, const QString& text);

} // namespace quillpix::textplacing
