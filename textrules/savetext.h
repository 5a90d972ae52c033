#pragma once

#include "textfiles.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What the result box becomes in its saved file beside the picture. The file is code page 932
// with CR LF line ends and is read back with every line followed by CR LF, so these rules keep
// a load-and-save round from growing the file.
namespace quillpix::savetext {

// Drops every CR that is not directly followed by LF; CR LF pairs and lone LFs stay.
QString dropLoneCarriageReturns(const QString& text);

// Two or more CR LF pairs at the end of the text become one; fewer are left as they are.
QString trimTrailingBlankLines(const QString& text);

// The text that is written as the file's one entry (the file then holds it followed by CR LF).
QString savedContent(const QString& boxText);

// The saved file's bytes: savedContent followed by CR LF, in code page 932, or on request in
// UTF-8 with LF (textfiles::encodeText).
QByteArray savedBytes(const QString& boxText,
                      textfiles::TextEncoding encoding = textfiles::TextEncoding::ShiftJis);

// The characters of the text that have no code page 932 form (each once, in order of first
// appearance); saving writes "?" in their place. Characters that cannot be seen are given by
// their code point, as "<U+200B>".
QString unrepresentableCharacters(const QString& text);

// The lines (from 1, as the result box shows them: CR LF and a lone LF end a line) that hold a
// character without a code page 932 form, each once, in order.
QList<int> linesWithUnrepresentable(const QString& text);

} // namespace quillpix::savetext
