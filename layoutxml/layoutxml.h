#pragma once

#include "characters.h"
#include "lines.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

// The saved text of pages as hOCR 1.2 and ALTO v4 documents: blocks, lines, words and
// characters with their boxes on the picture and the engine's certainty, so that other programs
// can search, index or correct the text where it lies.
namespace quillpix::layoutxml {

struct PageText {
    QString picture;                                // the picture's file name, as the page names it
    QSize size;                                     // the picture's pixels
    QList<enginelayout::Line> lines;                // the engine's lines on the picture
    QList<textplacing::PlacedCharacter> characters; // the saved text placed on them, in order
};

// One document with a page per entry, in UTF-8. The characters' texts in order are each page's
// text; characters XML cannot hold become U+FFFD, so the document is always well-formed.
QByteArray hocr(const QList<PageText>& pages);
QByteArray alto(const QList<PageText>& pages);

} // namespace quillpix::layoutxml
