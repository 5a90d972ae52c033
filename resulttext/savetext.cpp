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

QString unrepresentableCharacters(const QString& text) {
    // A character survives when its code page 932 form decodes back to it. Surrogate pairs
    // are looked at whole, so an emoji counts once.
    if (cp932::decode(cp932::encode(text)) == text)
        return {};
    QString missing;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype len =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QString one = text.mid(i, len);
        if (one != u"?" && cp932::decode(cp932::encode(one)) != one && !missing.contains(one))
            missing += one;
        i += len;
    }
    return missing;
}

} // namespace quillpix::savetext
