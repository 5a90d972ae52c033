#include "cleanup.h"

#include "cp932.h"

namespace quillpix::cleanup {
namespace {

constexpr char16_t kCircledOne = 0x2460;    // ①
constexpr char16_t kCircledNine = 0x2468;   // ⑨
constexpr char16_t kCircledTwenty = 0x2473; // ⑳
constexpr char16_t kFullwidthZero = 0xFF10; // ０
constexpr char16_t kFullwidthNine = 0xFF19; // ９

// The rules that put one character in place of another; rule 5 is rule 6 with the space after
// the comma. The rules, their table and their fold are all written from these.
struct CharacterRule {
    int rule;
    char16_t engine;
    char16_t cleaned;
};
constexpr CharacterRule kTilde{2, u'~', 0xFF5E};       // ～
constexpr CharacterRule kComma{6, u',', 0xFF0C};       // ，
constexpr CharacterRule kPeriod{7, u'.', 0x3002};      // 。
constexpr CharacterRule kRightQuote{8, 0x2019, u'\''}; // ’
constexpr CharacterRule kBackquote{10, u'`', u'\''};
constexpr CharacterRule kCharacterRules[] = {kTilde, kComma, kPeriod, kRightQuote, kBackquote};
constexpr char16_t kCommaSpace[] = {kComma.engine, u' '};

bool isAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetterOrDigit(char16_t c) {
    return isAsciiDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Printable ASCII other than the space: what a word, a file name or a number is made of.
bool isAsciiGraphic(char16_t c) {
    return c > u' ' && c < 0x7f;
}

// Rules 5 to 7: where the pattern starts after a double-byte character of the input, the
// replacement stands for it and the scan continues after the pattern. The test looks at the
// input, never at a replacement already made, so of two commas only the first changes. With
// keepBeforeAscii, a pattern followed by an ASCII character other than a space stays.
QString replaceAfterDoubleByte(const QString& text, QStringView pattern, char16_t replacement,
                               bool keepBeforeAscii = false) {
    const qsizetype n = text.size();
    const qsizetype m = pattern.size();
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    QString out(n, Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    qsizetype w = 0;
    qsizetype i = 0;
    while (i < n) {
        if (i > 0 && p[i] == pattern[0].unicode() && i + m <= n &&
            QStringView(p + i, m) == pattern && isDoubleByte(QChar(p[i - 1])) &&
            !(keepBeforeAscii && i + m < n && isAsciiGraphic(p[i + m]))) {
            o[w++] = replacement;
            i += m;
        } else {
            o[w++] = p[i++];
        }
    }
    out.truncate(w);
    return out;
}

} // namespace

bool isDoubleByte(QChar c) {
    return cp932::isDoubleByte(c);
}

QString circledToFullwidthDigits(const QString& text) {
    // No replacement makes a circled number, so one pass does what a pass per number would.
    const qsizetype n = text.size();
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    QString out(2 * n, Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    qsizetype w = 0;
    for (qsizetype k = 0; k < n; ++k) {
        const char16_t u = p[k];
        if (u >= kCircledOne && u <= kCircledNine) {
            o[w++] = char16_t(kFullwidthZero + (u - kCircledOne + 1));
        } else if (u > kCircledNine && u <= kCircledTwenty) {
            const int number = u - kCircledOne + 1;
            o[w++] = char16_t(kFullwidthZero + number / 10);
            o[w++] = char16_t(kFullwidthZero + number % 10);
        } else {
            o[w++] = u;
        }
    }
    out.truncate(w);
    return out;
}

QString fullwidthDigitsToAscii(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= kFullwidthZero && u <= kFullwidthNine)
            c = QChar(char16_t(u'0' + (u - kFullwidthZero)));
    }
    return out;
}

QString dropSpaceAfterDoubleByte(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype k = 0; k < text.size(); ++k)
        if (k == 0 || !(text[k] == u' ' && isDoubleByte(text[k - 1])))
            out += text[k];
    return out;
}

QString commaSpaceToFullwidth(const QString& text) {
    return replaceAfterDoubleByte(text, QStringView(kCommaSpace, 2), kComma.cleaned);
}

QString commaToFullwidth(const QString& text) {
    return replaceAfterDoubleByte(text, QStringView(&kComma.engine, 1), kComma.cleaned);
}

QString periodToFullwidth(const QString& text, LatinSpacing latin) {
    return replaceAfterDoubleByte(text, QStringView(&kPeriod.engine, 1), kPeriod.cleaned,
                                  latin == LatinSpacing::Kept);
}

QString dropSpaceAfterDigitOrBracket(const QString& text, LatinSpacing latin) {
    // The last character is never copied: for text from the file reader that is the final LF,
    // which leaves a lone CR at the end of every appended result.
    const qsizetype n = text.size();
    if (n == 0)
        return {};
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    QString out(n, Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    qsizetype w = 0;
    qsizetype k = 0;
    while (k < n - 1) {
        const char16_t c = p[k];
        o[w++] = c;
        // The character after the space, when there is one, decides whether Latin text goes on.
        const bool latinFollows =
            latin == LatinSpacing::Kept && k + 2 < n && isAsciiLetterOrDigit(p[k + 2]);
        if ((isAsciiDigit(c) || c == u'(' || c == u')') && p[k + 1] == u' ' && !latinFollows)
            k += 2;
        else
            k += 1;
    }
    out.truncate(w);
    return out;
}

QString cleanRecognizedText(const QString& text, LatinSpacing latin) {
    QString t = circledToFullwidthDigits(text);                       // 1
    t.replace(QChar(kTilde.engine), QChar(kTilde.cleaned));           // 2
    t = fullwidthDigitsToAscii(t);                                    // 3
    t = dropSpaceAfterDoubleByte(t);                                  // 4
    t = commaSpaceToFullwidth(t);                                     // 5
    t = commaToFullwidth(t);                                          // 6
    t = periodToFullwidth(t, latin);                                  // 7
    t.replace(QChar(kRightQuote.engine), QChar(kRightQuote.cleaned)); // 8
    t = dropSpaceAfterDigitOrBracket(t, latin);                       // 9
    t.replace(QChar(kBackquote.engine), QChar(kBackquote.cleaned));   // 10
    t.remove(QChar(u'\f'));                                           // 11
    // 12: one left-to-right pass, so long runs shrink by a third rather than down to two.
    t.replace(QStringLiteral("\r\n\r\n\r\n"), QStringLiteral("\r\n\r\n"));
    if (t.endsWith(QStringLiteral("\r\n\r\n"))) // 13
        t.chop(4);
    return t;
}

QList<Replacement> replacements() {
    QList<Replacement> rows;
    for (char16_t c = kCircledOne; c <= kCircledTwenty; ++c)
        rows.append(Replacement{1, QString(QChar(c)), circledToFullwidthDigits(QString(QChar(c)))});
    for (char16_t c = kFullwidthZero; c <= kFullwidthNine; ++c)
        rows.append(Replacement{3, QString(QChar(c)), fullwidthDigitsToAscii(QString(QChar(c)))});
    for (const CharacterRule& r : kCharacterRules) {
        if (r.rule == kComma.rule)
            rows.append(
                Replacement{5, QStringView(kCommaSpace, 2).toString(), QString(QChar(r.cleaned))});
        rows.append(Replacement{r.rule, QString(QChar(r.engine)), QString(QChar(r.cleaned))});
    }
    return rows;
}

QString folded(char32_t c) {
    // A circled number or a full-width digit folds to the ASCII digits rules 1 and 3 make of it.
    if ((c >= kCircledOne && c <= kCircledTwenty) || (c >= kFullwidthZero && c <= kFullwidthNine))
        return fullwidthDigitsToAscii(circledToFullwidthDigits(QString(QChar(char16_t(c)))));
    for (const CharacterRule& r : kCharacterRules)
        if (c == r.engine || c == r.cleaned)
            return QString(QChar(r.cleaned < 0x80 ? r.cleaned : r.engine));
    return {};
}

QString foldedText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const QString f = folded(c.unicode());
        if (f.isEmpty())
            out += c;
        else
            out += f;
    }
    return out;
}

} // namespace quillpix::cleanup
