#include "runstate.h"

#include "platform.h"

namespace quillpix {

RunState::Run::Run(RunState& state, QWidget* window) : m_state(state), m_pointer(window) {
    if (m_state.m_runs++ == 0) {
        m_state.m_stopRequested = false;
        m_state.m_progress = -1;
        emit m_state.started();
    }
}

RunState::Run::~Run() {
    if (--m_state.m_runs == 0)
        emit m_state.ended();
}

bool RunState::refuse(Platform& platform, const QString& message) const {
    if (!running())
        return false;
    platform.showMessage(message);
    return true;
}

} // namespace quillpix
