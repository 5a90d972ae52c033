#include "failurereport.h"

#include "failure.h"
#include "platform.h"

#include <QWidget>

namespace quillpix {

void runReportingFailures(Platform& platform, QWidget* window,
                          const std::function<void()>& handler) {
    try {
        handler();
    } catch (const Failure& failure) {
        if (window)
            window->unsetCursor();
        platform.showMessage(failure.text());
    } catch (const std::exception& error) {
        if (window)
            window->unsetCursor();
        platform.showMessage(QString::fromUtf8(error.what()));
    }
}

} // namespace quillpix
