#include "picturelist.h"

#include "failure.h"
#include "pictureloader.h"
#include "textfiles.h"
#include "widgets.h"

#include <QDir>

#include <algorithm>

namespace quillpix::folderbatch {

QList<PictureItem> listPictures(const QString& folder) {
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists() || !dir.isReadable())
        throw Failure(QStringLiteral("cannot list the folder %1").arg(folder));
    // As the window's file list: name filters match without regard to case, and hidden
    // entries stay out because QDir::Hidden is not asked for.
    dir.setNameFilters({QStringLiteral("*.bmp"), QStringLiteral("*.gif")});
    QStringList names = dir.entryList(QDir::Files, QDir::NoSort);
    std::sort(names.begin(), names.end(), naturalLess);
    QList<PictureItem> items;
    items.reserve(names.size());
    for (const QString& name : names)
        items.append({name, 0});
    return items;
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
    // No display limits the batch: the view's range check is given a display it never fails.
    constexpr int kNoDisplayLimit = 1 << 24;
    return viewer::loadPicture(folder + QLatin1Char('/') + item.file,
                               QSize(kNoDisplayLimit, kNoDisplayLimit));
}

QString resultPath(const QString& folder, const PictureItem& item) {
    return textfiles::savedResultPath(folder, item.file);
}

QString displayName(const PictureItem& item) {
    return item.file;
}

} // namespace quillpix::folderbatch
