#include "selectionhandler.h"

#include "platform.h"

namespace quillpix {

SelectionHandler::SelectionHandler(Controls& controls, SelectionState& state, Platform& platform,
                                   const Folders& folders)
    : m_c(controls), m_state(state), m_platform(platform), m_folders(folders) {}

} // namespace quillpix
