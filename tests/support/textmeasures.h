#pragma once

#include <QString>

#include <algorithm>
#include <vector>

// Comparing recognised and extracted texts: how far apart they are, and where Japanese was
// broken up by spaces.
namespace quillpix::testing {

// Edit distance between the code units of two texts.
inline qsizetype editDistance(const QString& a, const QString& b) {
    std::vector<qsizetype> row(size_t(b.size() + 1));
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[size_t(j)] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[size_t(j)];
            row[size_t(j)] = std::min(
                {above + 1, row[size_t(j - 1)] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[size_t(b.size())];
}

inline QString withoutSpace(QString text) {
    text.removeIf([](QChar c) { return c.isSpace(); });
    return text;
}

inline bool isJapanese(QChar c) {
    return c.unicode() >= 0x3000;
}

// Two Japanese characters with white space between them on one line, or "" when there are
// none.
inline QString spacedJapanese(const QString& text) {
    for (qsizetype i = 1; i + 1 < text.size(); ++i) {
        if (!text[i].isSpace() || !isJapanese(text[i - 1]))
            continue;
        qsizetype next = i;
        while (next < text.size() && text[next].isSpace() && text[next] != u'\n')
            ++next;
        if (next < text.size() && isJapanese(text[next]))
            return text.mid(i - 1, next - i + 2);
    }
    return {};
}

} // namespace quillpix::testing
