#pragma once

#include "folders.h"

#include <QImage>
#include <QObject>
#include <QStringList>

#include <memory>

class QWidget;

namespace quillpix {

class Platform;
class RunState;
class FileListBox;
class ViewerHandler;
class ScanHandler;

// What the ways in use of the window: the list whose menu offers them.
struct WaysInControls {
    QWidget* window = nullptr;
    FileListBox* File1 = nullptr;
};

// Pictures from anywhere into the viewer: paths (a drop, the command line, a later start's
// request), the desktop's folder and file dialogs, paste and a captured picture, with the file
// list's menu items and keys for them. While a run is under way each of them is refused: the
// run's text belongs to the picture on show.
class WaysInHandler : public QObject {
    Q_OBJECT
public:
    // A pasted or captured picture is kept in folders.parent's bmp_gif_clipboard.
    WaysInHandler(const WaysInControls& controls, ViewerHandler& viewer, const RunState& runState,
                  Platform& platform, const Folders& folders);
    ~WaysInHandler() override;

    // Opens the first path as ViewerHandler::open does; a failure is told.
    void openPaths(const QStringList& paths);
    // The same through the desktop's dialogs, starting in the folder on show.
    void openFolderDialog();
    void openFileDialog();
    // The clipboard's picture is kept in bmp_gif_clipboard, listed and chosen; files copied in
    // a file manager are opened.
    void paste();
    // Keeps the picture as a PNG named after stem and the moment in bmp_gif_clipboard and shows
    // it chosen. Its path, or "" when it could not be kept or is not the picture on show.
    QString takeInPicture(const QImage& picture, const QString& stem);
    // Whether a picture taken in may replace the one on show and its text; asked before the
    // screen is read, so a user who stays is not made to choose a region first.
    bool mayTakeIn();
    static QString noPictureOnClipboardMessage();

Q_SIGNALS:
    // "画面から読む…" was chosen on the file list.
    void captureRequested();
    // A pasted picture was kept and is shown chosen: it is read as a captured one is.
    void picturePasted(const QImage& picture);

private:
    // Ahead of the list's other menu items.
    void addMenuItems();
    bool refuseWhileRunning();
    QString dialogStartFolder() const;

    WaysInControls m_c;
    ViewerHandler& m_viewer;
    const RunState& m_runState;
    Platform& m_platform;
    QString m_pictureFolders;
    std::unique_ptr<ScanHandler> m_scan;
};

} // namespace quillpix
