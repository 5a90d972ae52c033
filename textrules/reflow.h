#pragma once

#include <QList>
#include <QString>

// Joining the lines of recognised text into paragraphs, on the user's request. The engine ends
// every line of the page with a line end; in Japanese the lines of a paragraph run on with no
// space between them, so the line ends go and nothing takes their place, except between two
// pieces of Latin text, which keep one space ("a long" + "sentence" -> "a long sentence").
namespace quillpix::reflow {

// A paragraph ends at a blank line (kept as it is), before a line indented with an ideographic
// space "　" (the indent kept), and after a line that ends a sentence ("。", "」", "." ...) while
// clearly shorter than the longest line around it, as a paragraph's last line is in justified
// text. Every line end kept keeps its own form (CR LF, CR or LF); spaces at the joints go.
QString joinedParagraphs(const QString& text);

// A stretch of a text given way to another: removed characters from at, added in their place.
struct Replacement {
    qsizetype at = 0;
    qsizetype removed = 0;
    qsizetype added = 0;
    bool operator==(const Replacement&) const = default;
};

// The stretches where joined differs from text, last first, so that each can be applied in
// turn to the positions of text: the characters in between are text's own, so whatever is tied
// to them (a place on the picture, a mark) stays with them. Matches the characters both share in
// order, as joining leaves all but spaces and line ends; any two texts give a correct answer.
QList<Replacement> changedStretches(const QString& text, const QString& joined);

} // namespace quillpix::reflow
