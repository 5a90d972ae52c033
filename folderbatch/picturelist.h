#pragma once

#include <QImage>
#include <QList>
#include <QString>

// Which pictures a folder holds and how one of them is read: the only place the batch knows
// about picture files, so other picture formats or multi-page files come in here.
namespace quillpix::folderbatch {

// One picture of the folder: a file name (no folder) and, for a page of a multi-page
// document, its index from 0 (-1 for the others).
struct PictureItem {
    QString file;
    int page = -1;
    friend bool operator==(const PictureItem&, const PictureItem&) = default;
};

// The pictures the window's file list shows for the folder, pages of documents one by one, in
// its natural order (scan2 before scan10), and the names left out because they are not valid
// UTF-8 (they cannot be opened by name here). A folder that cannot be listed throws a Failure.
struct FolderPictures {
    QList<PictureItem> items;
    int leftOut = 0;
};
FolderPictures folderPictures(const QString& folder);
// Its pictures alone.
QList<PictureItem> listPictures(const QString& folder);

// Items number index, index + count, index + 2 count, ... counting from 1.
QList<PictureItem> takeShard(const QList<PictureItem>& items, int index, int count);

// The picture's full-size pixels as the window loads them; a picture that cannot be read
// throws a Failure naming the file and the reason.
QImage loadItem(const QString& folder, const PictureItem& item);

// Where the saved result of the item lies (scan01.bmp -> scan01.bmp.txt beside it).
QString resultPath(const QString& folder, const PictureItem& item);

// How the item is named in progress lines and the summary.
QString displayName(const PictureItem& item);

} // namespace quillpix::folderbatch
