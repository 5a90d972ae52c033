#pragma once

#include "controls.h"
#include "selectionstate.h"

#include <QObject>

namespace quillpix {

class Platform;

// The option lists' "編集" and "更新" buttons, "一覧更新", and the buttons that hand files to
// other programs.
class OptionsHandler : public QObject {
    Q_OBJECT
public:
    OptionsHandler(Controls& controls, SelectionState& state, Platform& platform,
                   const Folders& folders);

    void refresh(int index);
    void editList(int index);

    // The help page, the image folder and the engine's raw output go to the system's "open";
    // the chosen picture goes to the paint program.
    void openHelp();
    void openExplorer();
    void openPaint();
    void openRawResult();

private:
    Controls& m_c;
    Platform& m_platform;
    const Folders& m_folders;
};

} // namespace quillpix
