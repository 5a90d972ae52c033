#pragma once

#include "controls.h"
#include "selectionstate.h"

#include <QObject>

namespace quillpix {

class Platform;

// Undo, clear, save and open of the result text.
class ResultTextHandler : public QObject {
    Q_OBJECT
public:
    ResultTextHandler(Controls& controls, SelectionState& state, Platform& platform, const Folders& folders);

private:
    Controls& m_c;
    SelectionState& m_state;
    Platform& m_platform;
    const Folders& m_folders;
};

} // namespace quillpix
