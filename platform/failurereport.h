#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace quillpix {

class Platform;

// Runs one handler. A failure stops it at the failing step, with the effects of its earlier
// steps in place; the window's pointer goes back to the default and a message box tells what
// failed. The program never ends because of it.
void runReportingFailures(Platform& platform, QWidget* window,
                          const std::function<void()>& handler);

} // namespace quillpix
