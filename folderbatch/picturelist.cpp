#include "picturelist.h"

#include "failure.h"
#include "listing.h"
#include "pages.h"
#include "readlimits.h"
#include "textfiles.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>

namespace quillpix::folderbatch {

FolderPictures folderPictures(const QString& folder) {
    // As the window's file list: every picture format, a document's pages one by one.
    const pictures::Listing listing =
        pictures::listPictures(folder, QString::fromLatin1(pictures::kPicturePattern));
    if (folder.isEmpty() || !listing.listed)
        throw Failure(QCoreApplication::translate("folderbatch", "フォルダの一覧を読めません: %1")
                          .arg(folder));
    FolderPictures pictures;
    pictures.leftOut = listing.leftOut;
    pictures.items.reserve(listing.entries.size());
    for (const pictures::ListEntry& entry : listing.entries)
        pictures.items.append({entry.fileName, entry.page});
    return pictures;
}

QList<PictureItem> listPictures(const QString& folder) {
    return folderPictures(folder).items;
}

QList<PictureItem> takeShard(const QList<PictureItem>& items, int index, int count) {
    QList<PictureItem> share;
    if (index < 1 || count < 1)
        return share;
    for (qsizetype i = index - 1; i < items.size(); i += count)
        share.append(items[i]);
    return share;
}

QImage loadItem(const QString& folder, const PictureItem& item) {
    // The batch shows no picture: only the memory of the moment bounds what it decodes.
    constexpr int kNoViewLimit = 1 << 24;
    return pictures::OpenedPage(folder + QLatin1Char('/') + item.file, item.page,
                                {QSize(kNoViewLimit, kNoViewLimit), pictures::memoryCeiling()})
        .read();
}

QString resultPath(const QString& folder, const PictureItem& item) {
    return textfiles::savedResultPath(folder, item.file, item.page);
}

QString displayName(const PictureItem& item) {
    return item.page == pictures::kNoPage
               ? item.file
               : item.file + QStringLiteral(" (p. %1)").arg(item.page + 1);
}

} // namespace quillpix::folderbatch
