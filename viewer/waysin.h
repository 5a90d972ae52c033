#pragma once

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

// Pictures from anywhere: which folder and file a path (or several, dropped together) opens,
// the folders the chooser offers, and where a pasted or captured picture is kept.
namespace quillpix::viewer {

// The workspace's picture folders begin with this; a pasted or captured picture is kept in
// the one named kIncomingFolder.
inline const QString kPictureFolderPrefix = QStringLiteral("bmp_gif");
inline const QString kIncomingFolder = QStringLiteral("bmp_gif_clipboard");
// How many folders from elsewhere the chooser remembers, the most recent first.
constexpr int kRememberedFolders = 10;

// What a way in opens: a folder, and in it a file to choose ("" for none). Empty folder: the
// paths named nothing that exists.
struct Opening {
    QString folder;
    QString fileName;
    bool operator==(const Opening&) const = default;
};
// The first path decides: a folder is opened as it is; a file opens its folder with the file
// chosen (so several files dropped together open the first one's folder). Links are followed;
// the folder is given as an absolute path without links.
Opening openingFor(const QStringList& paths);

// One item of the folder chooser: what it shows and the folder it lists.
struct FolderItem {
    QString label;
    QString folder;
    bool operator==(const FolderItem&) const = default;
};
// The workspace's picture folders (named by prefix, in name order, as found in parent), then
// the remembered folders that still exist and are not among them, shown by their full path
// (home as "~"). kept receives the remembered folders that are still offered.
QList<FolderItem> folderChoices(const QString& parent, const QStringList& remembered,
                                const QString& home, QStringList* kept = nullptr);
// The workspace's picture folders in parent: folders whose names begin with kPictureFolderPrefix
// without regard to case, hidden ones left out, in case-insensitive name order.
QStringList pictureFolderNames(const QString& parent);
// Whether folder is one of those (then the chooser already offers it).
bool isPictureFolder(const QString& parent, const QString& folder);
// The folder under home shown as "~/…", home itself as "~"; any other path as it is.
QString shownPath(const QString& folder, const QString& home);
// The remembered folders after opening folder: it comes first, once, and at most kept remain.
QStringList rememberFolder(const QStringList& remembered, const QString& folder,
                           int kept = kRememberedFolders);

// The file dialog's filter: every picture and document the list shows.
QString pictureFilter();

// "<stem>_YYYYMMDD-HHMMSS.png", with "_2", "_3"… before ".png" when the name is taken in folder.
QString incomingName(const QString& folder, const QString& stem, const QDateTime& when);
// Saves the picture as PNG under incomingName in folder, creating the folder when needed, and
// returns its path. A failure throws, naming the folder or file; no half-written file stays.
QString saveIncomingPicture(const QImage& picture, const QString& folder, const QString& stem,
                            const QDateTime& when);

} // namespace quillpix::viewer
