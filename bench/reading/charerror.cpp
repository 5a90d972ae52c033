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

namespace {

QStringList compatibilityForms(const QStringList& characters) {
    QStringList out;
    for (const QString& c : characters)
        out << c.normalized(QString::NormalizationForm_KC);
    return out;
}

QStringList referenceCharacters(const QString& reference) {
    QStringList ref;
    for (const uint c : reference.toUcs4())
        if (!QChar::isSpace(c) && c != u'\f')
            ref << QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
    return compatibilityForms(ref);
}

// For each of got, whether the alignment with ref matches it to the same character: the whole
// of both, or with anywhere the whole of got anywhere in ref (starting and ending in it costs
// nothing). The whole table is kept to walk back: pages hold a few thousand characters.
QList<bool> matched(const QStringList& got, const QStringList& ref, bool anywhere) {
    const qsizetype n = got.size();
    const qsizetype m = ref.size();
    std::vector<qint32> cost(size_t((n + 1) * (m + 1)));
    const auto at = [m](qsizetype i, qsizetype j) { return size_t(i * (m + 1) + j); };
    for (qsizetype i = 0; i <= n; ++i)
        cost[at(i, 0)] = qint32(i);
    for (qsizetype j = 0; j <= m; ++j)
        cost[at(0, j)] = anywhere ? 0 : qint32(j);
    for (qsizetype i = 1; i <= n; ++i)
        for (qsizetype j = 1; j <= m; ++j)
            cost[at(i, j)] =
                std::min({cost[at(i - 1, j)] + 1, cost[at(i, j - 1)] + 1,
                          cost[at(i - 1, j - 1)] + (got[i - 1] == ref[j - 1] ? 0 : 1)});
    qsizetype end = m;
    if (anywhere)
        for (qsizetype j = 0; j <= m; ++j)
            if (cost[at(n, j)] < cost[at(n, end)])
                end = j;
    QList<bool> right(n, false);
    for (qsizetype i = n, j = end; i > 0;) {
        if (j > 0 && got[i - 1] == ref[j - 1] && cost[at(i, j)] == cost[at(i - 1, j - 1)]) {
            right[i - 1] = true;
            --i;
            --j;
        } else if (j > 0 && cost[at(i, j)] == cost[at(i - 1, j - 1)] + 1) {
            --i;
            --j;
        } else if (cost[at(i, j)] == cost[at(i - 1, j)] + 1) {
            --i;
        } else {
            --j;
        }
    }
    return right;
}

} // namespace

QList<bool> readRightInAnyOrder(const QList<QStringList>& lines, const QString& reference) {
    const QStringList ref = referenceCharacters(reference);
    QList<bool> right;
    for (const QStringList& line : lines)
        right += matched(compatibilityForms(line), ref, true);
    return right;
}

QList<bool> readRight(const QStringList& read, const QString& reference) {
    return matched(compatibilityForms(read), referenceCharacters(reference), false);
}

} // namespace quillpix::readingbench
