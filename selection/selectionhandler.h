#pragma once

#include "controls.h"
#include "selectionstate.h"

#include <QObject>

namespace quillpix {

class Platform;

// The rubber-band selection on picDisp, its labels and preview.
class SelectionHandler : public QObject {
    Q_OBJECT
public:
    SelectionHandler(Controls& controls, SelectionState& state, Platform& platform, const Folders& folders);

private:
    Controls& m_c;
    SelectionState& m_state;
    Platform& m_platform;
    const Folders& m_folders;
};

} // namespace quillpix
