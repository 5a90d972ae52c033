#include "waysin.h"

#include "failure.h"
#include "listing.h"
#include "textfiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quillpix::viewer {

Opening openingFor(const QStringList& paths) {
    if (paths.isEmpty())
        return {};
    const QFileInfo first(paths.first());
    if (!first.exists())
        return {};
    if (first.isDir())
        return {first.canonicalFilePath(), {}};
    // The file keeps the name it was given (a link's name is what the list shows); its folder
    // is followed to where it lies.
    return {QFileInfo(first.absolutePath()).canonicalFilePath(), first.fileName()};
}

QStringList pictureFolderNames(const QString& parent) {
    QDir dir(parent);
    dir.setNameFilters({kPictureFolderPrefix + QLatin1Char('*')});
    // A file named like a folder (bmp_gif.zip) is no folder to list pictures from.
    return dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

bool isPictureFolder(const QString& parent, const QString& folder) {
    const QFileInfo info(folder);
    return !parent.isEmpty() &&
           QFileInfo(info.absolutePath()).canonicalFilePath() ==
               QFileInfo(parent).canonicalFilePath() &&
           pictureFolderNames(parent).contains(info.fileName());
}

QString shownPath(const QString& folder, const QString& home) {
    if (home.isEmpty() || home == QLatin1String("/"))
        return folder;
    if (folder == home)
        return QStringLiteral("~");
    if (folder.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + folder.mid(home.size());
    return folder;
}

QList<FolderItem> folderChoices(const QString& parent, const QStringList& remembered,
                                const QString& home, QStringList* kept) {
    QList<FolderItem> items;
    for (const QString& name : pictureFolderNames(parent))
        items.append({name, parent + QLatin1Char('/') + name});
    QStringList still;
    for (const QString& folder : remembered) {
        // Gone (a removed folder, an unplugged disk): dropped without a word.
        if (folder.isEmpty() || !QFileInfo(folder).isDir() || still.contains(folder))
            continue;
        still << folder;
        if (!isPictureFolder(parent, folder))
            items.append({shownPath(folder, home), folder});
    }
    if (kept)
        *kept = still;
    return items;
}

QStringList rememberFolder(const QStringList& remembered, const QString& folder, int kept) {
    QStringList result{folder};
    for (const QString& other : remembered)
        if (other != folder && result.size() < kept)
            result << other;
    return result;
}

QString pictureFilter() {
    QStringList patterns =
        QString::fromLatin1(pictures::kPicturePattern).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    // The dialog compares names as they are written; the list does not.
    for (const QString& pattern : QStringList(patterns))
        patterns << pattern.toUpper();
    return QCoreApplication::translate("viewer", "画像と文書 (%1);;すべてのファイル (*)")
        .arg(patterns.join(QLatin1Char(' ')));
}

QString incomingName(const QString& folder, const QString& stem, const QDateTime& when) {
    const QString base = stem + QLatin1Char('_') + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base + QStringLiteral(".png");
    for (int n = 2; QFileInfo::exists(folder + QLatin1Char('/') + name); ++n)
        name = base + QLatin1Char('_') + QString::number(n) + QStringLiteral(".png");
    return name;
}

QString saveIncomingPicture(const QImage& picture, const QString& folder, const QString& stem,
                            const QDateTime& when) {
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        throw Failure(QCoreApplication::translate("viewer", "画像を置くフォルダを作れません: %1")
                          .arg(folder));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (picture.isNull() || !picture.save(&buffer, "PNG"))
        throw Failure(QCoreApplication::translate("viewer", "画像を PNG にできません。"));
    const QString path = folder + QLatin1Char('/') + incomingName(folder, stem, when);
    textfiles::writeBytes(png, path);
    return path;
}

} // namespace quillpix::viewer
