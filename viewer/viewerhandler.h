#pragma once

#include "controls.h"
#include "selectionstate.h"

#include <QObject>

namespace quillpix {

class Platform;

// Folder and file choice, the reduced display, zoom and scrolling.
class ViewerHandler : public QObject {
    Q_OBJECT
public:
    ViewerHandler(Controls& controls, SelectionState& state, Platform& platform, const Folders& folders);

    // The chosen item of cmbFolder becomes the folder of File1; display, preview, command line
    // and result text are cleared.
    void changeFolder();

private:
    Controls& m_c;
    SelectionState& m_state;
    Platform& m_platform;
    const Folders& m_folders;
};

} // namespace quillpix
