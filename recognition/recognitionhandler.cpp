#include "recognitionhandler.h"

#include "platform.h"

namespace quillpix {

RecognitionHandler::RecognitionHandler(Controls& controls, SelectionState& state, Platform& platform,
                                   const Folders& folders)
    : m_c(controls), m_state(state), m_platform(platform), m_folders(folders) {}

} // namespace quillpix
