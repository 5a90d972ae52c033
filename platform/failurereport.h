#pragma once

#include <QString>

#include <functional>

namespace quillpix {

class Platform;

// Runs one handler. A failure stops it at the failing step, with the effects of its earlier
// steps in place, and a message box tells what failed; a wait the handler began (its
// WaitingPointer, its run) has ended by then. The program never ends because of it.
void runReportingFailures(Platform& platform, const std::function<void()>& handler);

} // namespace quillpix
