#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

#include <optional>

// Code page 932 (Shift-JIS with the NEC and IBM extensions, as Windows writes it) and UTF-8.
// Every text file the program reads or writes itself is code page 932; the engine writes UTF-8.
namespace quillpix::cp932 {

// Characters without a code page 932 form become "?", invisible format characters (U+200B, a
// byte-order mark, the soft hyphen) included. Throws Failure, with a Japanese text, only when
// the converter itself cannot be had.
QByteArray encode(const QString& text);
// Byte sequences that are not code page 932 become U+FFFD; decoding never fails.
QString decode(const QByteArray& bytes);
// A leading byte-order mark is skipped; invalid sequences become U+FFFD.
QString decodeUtf8(const QByteArray& bytes);
// The text when every byte sequence is a character of the encoding ("windows-31j", "UTF-8");
// none when one is ill-formed or well-formed but unassigned. No substitutes, no mark skipped.
std::optional<QString> strictlyDecoded(const char* encoding, const QByteArray& bytes);

// The characters of the text that have no code page 932 form, that is, that encode() writes as
// "?": each once, in order of first appearance, a surrogate pair as one character. "" when
// every character has a form.
QString unrepresentable(const QString& text);

// True when the character's code page 932 form takes two bytes. Characters without a form
// count as single-byte. Answered from a table built once, not by a conversion per call.
bool isDoubleByte(QChar c);

} // namespace quillpix::cp932
