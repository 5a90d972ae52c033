#include "savetext.h"

#include "cp932.h"

namespace quillpix::savetext {

QString dropLoneCarriageReturns(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && !(i + 1 < text.size() && text[i + 1] == u'\n'))
            continue;
        out += c;
    }
    return out;
}

QString trimTrailingBlankLines(const QString& text) {
    // Pairs are counted two characters at a time from the end, so "\n\r\n" ends in one pair.
    qsizetype pairs = 0;
    for (qsizetype end = text.size(); end >= 2; end -= 2) {
        if (text[end - 2] != u'\r' || text[end - 1] != u'\n')
            break;
        ++pairs;
    }
    if (pairs < 2)
        return text;
    return text.left(text.size() - 2 * (pairs - 1));
}

QString savedContent(const QString& boxText) {
    return trimTrailingBlankLines(dropLoneCarriageReturns(boxText));
}

QByteArray savedBytes(const QString& boxText, textfiles::TextEncoding encoding) {
    return textfiles::encodeText(savedContent(boxText) + QStringLiteral("\r\n"), encoding);
}

QString unrepresentableCharacters(const QString& text) {
    // Characters that cannot be seen (format characters, odd spaces, lone surrogates) are
    // named by their code point, so the report shows what became "?".
    QString report;
    const QString missing = cp932::unrepresentable(text);
    for (qsizetype i = 0; i < missing.size();) {
        const char32_t code = missing[i].isHighSurrogate() && i + 1 < missing.size()
                                  ? QChar::surrogateToUcs4(missing[i], missing[i + 1])
                                  : missing[i].unicode();
        const qsizetype len = code > 0xFFFF ? 2 : 1;
        const QChar::Category category = QChar::category(code);
        const bool visible = QChar::isPrint(code) && !QChar::isSpace(code) &&
                             category != QChar::Mark_NonSpacing &&
                             category != QChar::Mark_Enclosing;
        if (visible)
            report += missing.mid(i, len);
        else
            report += QStringLiteral("<U+%1>").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
        i += len;
    }
    return report;
}

QList<int> linesWithUnrepresentable(const QString& text) {
    QList<int> lines;
    int line = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size() || text[i] == u'\n';
        if (!end)
            continue;
        // The CR of a CR LF pair stays with its line; cp932 has a form for it.
        if (!cp932::unrepresentable(text.mid(start, i - start)).isEmpty())
            lines << line;
        ++line;
        start = i + 1;
    }
    return lines;
}

} // namespace quillpix::savetext
