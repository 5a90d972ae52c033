#include "listing.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace quillpix::pictures {

QString pageEntryText(const QString& fileName, int page, int pages) {
    return QStringLiteral("%1 (%2/%3)").arg(fileName).arg(page + 1).arg(pages);
}

bool naturalLess(const QString& a, const QString& b) {
    // Runs of digits compare by their value, everything else without regard to case; names
    // that compare equal that way fall back to plain order so the sort is total.
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ie = i, je = j;
            while (ie < a.size() && a[ie].isDigit())
                ++ie;
            while (je < b.size() && b[je].isDigit())
                ++je;
            QStringView da = QStringView(a).mid(i, ie - i), db = QStringView(b).mid(j, je - j);
            while (da.size() > 1 && da[0] == u'0')
                da = da.mid(1);
            while (db.size() > 1 && db[0] == u'0')
                db = db.mid(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (const int c = da.compare(db); c != 0)
                return c < 0;
            i = ie;
            j = je;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b;
}

Listing listPictures(const QString& folder, const QString& pattern) {
    Listing listing;
    if (folder.isEmpty())
        return listing;
    QList<QRegularExpression> wildcards;
    for (const QString& w : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        wildcards << QRegularExpression(QRegularExpression::wildcardToRegularExpression(w),
                                        QRegularExpression::CaseInsensitiveOption);
    auto matches = [&](const QString& name) {
        return std::any_of(wildcards.begin(), wildcards.end(),
                           [&](const QRegularExpression& re) { return re.match(name).hasMatch(); });
    };

    const QByteArray dirPath = QFile::encodeName(folder);
    DIR* dir = ::opendir(dirPath.constData());
    if (!dir)
        return listing;
    QStringList names;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray raw(e->d_name);
        if (raw.startsWith('.'))
            continue;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString name = utf8(raw);
        if (utf8.hasError()) {
            // The name cannot be shown, nor opened again from what the list would show; the
            // pattern's ASCII parts (the extension) still tell whether it looks like a picture.
            if (matches(QString::fromLatin1(raw)))
                ++listing.leftOut;
            continue;
        }
        if (!matches(name))
            continue;
        // stat follows links: only what is a regular file in the end is listed.
        struct stat st {};
        if (::stat((dirPath + '/' + raw).constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        names << name;
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), naturalLess);

    listing.listed = true;
    for (const QString& name : names) {
        const int pages = pageCount(folder + QLatin1Char('/') + name);
        if (pages <= 1) {
            listing.entries.append({name, name, kNoPage});
            continue;
        }
        for (int page = 0; page < pages; ++page)
            listing.entries.append({pageEntryText(name, page, pages), name, page});
    }
    if (listing.leftOut > 0)
        listing.leftOutMessage =
            QCoreApplication::translate(
                "pictures", "%1 の %2 個の画像ファイルは、名前が UTF-8 ではない (Shift-JIS "
                            "などの) ため一覧に出していません。名前を付け直してください。")
                .arg(folder)
                .arg(listing.leftOut);
    return listing;
}

} // namespace quillpix::pictures
