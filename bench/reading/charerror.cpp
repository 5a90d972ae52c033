#include "charerror.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace quillpix::readingbench {

qint64 editDistance(const QString& a, const QString& b) {
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    std::vector<qint64> row(size_t(m) + 1);
    for (qsizetype j = 0; j <= m; ++j)
        row[j] = j;
    for (qsizetype i = 1; i <= n; ++i) {
        qint64 diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= m; ++j) {
            const qint64 above = row[j];
            row[j] =
                std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[m];
}

namespace {

QString lineEndsAsNewlines(const QString& text) {
    QString t = text.normalized(QString::NormalizationForm_KC);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar(u'\r'), QChar(u'\n'));
    t.remove(QChar(u'\f'));
    while (t.endsWith(QChar(u'\n')) || t.endsWith(QChar(u' ')))
        t.chop(1);
    return t;
}

QString withoutSpaces(const QString& text) {
    QString out;
    for (QChar c : text.normalized(QString::NormalizationForm_KC))
        if (!c.isSpace() && c != u'\f')
            out.append(c);
    return out;
}

} // namespace

Errors withWhitespace(const QString& read, const QString& reference) {
    const QString ref = lineEndsAsNewlines(reference);
    return {editDistance(lineEndsAsNewlines(read), ref), ref.size()};
}

Errors withoutWhitespace(const QString& read, const QString& reference) {
    const QString ref = withoutSpaces(reference);
    return {editDistance(withoutSpaces(read), ref), ref.size()};
}

Errors orderFree(const QString& read, const QString& reference) {
    const QString ref = withoutSpaces(reference);
    // In UTF-16 units, as editDistance counts, so that the bound never exceeds the distance.
    QHash<char16_t, qint64> balance;
    for (QChar c : ref)
        ++balance[c.unicode()];
    for (QChar c : withoutSpaces(read))
        --balance[c.unicode()];
    qint64 missing = 0, extra = 0;
    for (qint64 n : std::as_const(balance))
        (n > 0 ? missing : extra) += n > 0 ? n : -n;
    return {std::max(missing, extra), ref.size()};
}

} // namespace quillpix::readingbench
