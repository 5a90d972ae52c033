#pragma once

#include "controls.h"
#include "selectionstate.h"

#include <QObject>

namespace quillpix {

class Platform;

// The recognition run and the direct run of an edited command.
class RecognitionHandler : public QObject {
    Q_OBJECT
public:
    RecognitionHandler(Controls& controls, SelectionState& state, Platform& platform, const Folders& folders);

private:
    Controls& m_c;
    SelectionState& m_state;
    Platform& m_platform;
    const Folders& m_folders;
};

} // namespace quillpix
