#pragma once

#include "folders.h"

#include <QObject>

class QPushButton;
class QWidget;

namespace quillpix {

class Platform;

namespace viewer {
class FileChoice;
}

// The buttons that hand files to other programs.
struct LauncherControls {
    QWidget* window = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdExplorer = nullptr;
    QPushButton* cmdOpenTmpTxt = nullptr;
};

// The help page, the picture folder and the engine's raw output go to the system's "open";
// the chosen picture goes to the paint program.
class LauncherHandler : public QObject {
    Q_OBJECT
public:
    LauncherHandler(const LauncherControls& controls, const viewer::FileChoice& files,
                    Platform& platform, const Folders& folders);

    void openHelp();
    void openExplorer();
    void openPaint();
    void openRawResult();

private:
    LauncherControls m_c;
    const viewer::FileChoice& m_files;
    Platform& m_platform;
    Folders m_folders;
};

} // namespace quillpix
