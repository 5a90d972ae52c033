#pragma once

#include <QChar>
#include <QList>
#include <QString>

// The fixed rules that tidy recognised Japanese text before it is appended to the result box.
// Every rule is a pure function from text to text, linear in the length of the text; they run
// in a fixed order because later rules see what earlier ones made (digits made ASCII by
// fullwidthDigitsToAscii are ASCII when the comma, period and space rules look at them).
namespace quillpix::cleanup {

// What the rules do to Latin text inside Japanese prose. As written, rule 9 drops the space
// between a number and the next word ("2001 Free" -> "2001Free", "64 KiB" -> "64KiB") and rule
// 7 makes a file name's "." after Japanese a full stop ("。xz"). Kept leaves the space where an
// ASCII letter or digit follows it, and the "." where an ASCII character follows it; every
// other rule, and every other case of these two, is the same.
enum class LatinSpacing { AsWritten, Kept };

// Runs the thirteen rules in order. The input is what the text-file reader delivers (every
// line followed by CR LF), so the result ends in a lone CR where the input ended in CR LF.
QString cleanRecognizedText(const QString& text, LatinSpacing latin = LatinSpacing::AsWritten);

// True when the character takes two bytes in code page 932. Characters without a code page
// 932 form (lone surrogates among them) count as single-byte.
bool isDoubleByte(QChar c);

// Rule 1: circled numbers become full-width digits (① -> "１"). ⑩ to ⑳ become two full-width
// digits ("１０" to "２０"), so that every circled number ends up as its ASCII number.
QString circledToFullwidthDigits(const QString& text);
// Rule 3: "０" to "９" become "0" to "9".
QString fullwidthDigitsToAscii(const QString& text);
// Rule 4: a space right after a double-byte character goes. The neighbour is always taken from
// the input, so of two spaces after such a character only the first goes.
QString dropSpaceAfterDoubleByte(const QString& text);
// Rule 5: ", " right after a double-byte character becomes "，".
QString commaSpaceToFullwidth(const QString& text);
// Rule 6: "," right after a double-byte character becomes "，".
QString commaToFullwidth(const QString& text);
// Rule 7: "." right after a double-byte character becomes "。"; with Latin spacing kept, not
// when an ASCII character other than a space follows it.
QString periodToFullwidth(const QString& text, LatinSpacing latin = LatinSpacing::AsWritten);
// Rule 9: the text without its last character, and one space directly after each ASCII digit,
// "(" or ")" left out; with Latin spacing kept, not when an ASCII letter or digit follows it.
QString dropSpaceAfterDigitOrBracket(const QString& text,
                                     LatinSpacing latin = LatinSpacing::AsWritten);

// One replacement the rules make: where its rule applies, engine (as the engine writes it)
// becomes cleaned. Rules 5, 6 and 7 apply only right after a double-byte character, the others
// wherever the text holds engine.
struct Replacement {
    int rule = 0;
    QString engine;
    QString cleaned;
};

// Every replacement of a visible character the rules make, in the rules' order: a row for each
// circled number (rule 1) and full-width digit (rule 3), then the tilde, the commas, the period
// and the quotes. Written from the same constants as the rules.
QList<Replacement> replacements();

// The fold of the rules, for matching the engine's reading to the cleaned text: a character a
// rule replaces and what the rule makes of it fold alike, to the rule's ASCII side ("①", "１" and
// "1" to "1", "⑩" to "10", "～" to "~", "，" to ",", "。" to ".", "’" and "`" to "'"). "" for a
// character no rule touches.
QString folded(char32_t c);
// The text with every character folded, each one no rule touches as it is.
QString foldedText(const QString& text);

} // namespace quillpix::cleanup
