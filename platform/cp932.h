#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

// Code page 932 (Shift-JIS with the NEC and IBM extensions, as Windows writes it) and UTF-8.
// Every text file the program reads or writes itself is code page 932; the engine writes UTF-8.
namespace quillpix::cp932 {

// Characters without a code page 932 form become "?".
QByteArray encode(const QString& text);
// Byte sequences that are not code page 932 become U+FFFD; decoding never fails.
QString decode(const QByteArray& bytes);
// A leading byte-order mark is skipped; invalid sequences become U+FFFD.
QString decodeUtf8(const QByteArray& bytes);

// True when the character's code page 932 form takes two bytes. Characters without a form
// count as single-byte. Answered from a table built once, not by a conversion per call.
bool isDoubleByte(QChar c);

} // namespace quillpix::cp932
