#pragma once

#include <QStringList>

// Prose written for the test pages of the reading measurements: short paragraphs of everyday
// Japanese (kanji, kana, punctuation, numbers in kanji), and paragraphs dense with Latin words
// and figures as technical notes have them. A reading is marked "{base|reading}"; the page
// renderer draws it beside vertical lines when asked and leaves it out of the known text.
namespace quillpix::workspace {

// Paragraphs that read well both horizontally and vertically.
const QStringList& japaneseProse();
// Paragraphs for horizontal pages only: Latin words, versions, sizes and file names inside
// Japanese sentences.
const QStringList& latinDenseProse();

} // namespace quillpix::workspace
