#pragma once

#include "folders.h"

#include <QObject>
#include <QStringList>

class QAction;

namespace quillpix {

class FileListBox;
class Platform;
class RunState;
class ViewerHandler;

// スキャン…: pages from a scanner into the folder on show, the last one shown chosen. Refused
// while a run is under way, as every way in is; the text not saved is asked about first.
class ScanHandler : public QObject {
    Q_OBJECT
public:
    // With no folder on show the pages go to folders.parent's bmp_gif_clipboard.
    ScanHandler(QWidget* window, FileListBox* files, ViewerHandler& viewer,
                const RunState& runState, Platform& platform, const Folders& folders);

    // The file list's item and key for it.
    QAction* action() const { return m_action; }
    // Opens the dialog beside the window, which it keeps from other input while it is open.
    void openDialog();

private:
    void showScanned(const QStringList& paths);

    QWidget* m_window;
    FileListBox* m_files;
    ViewerHandler& m_viewer;
    const RunState& m_runState;
    Platform& m_platform;
    Folders m_folders;
    QAction* m_action;
};

} // namespace quillpix
