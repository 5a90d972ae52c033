#include "failurereport.h"

#include "failure.h"
#include "platform.h"

namespace quillpix {

void runReportingFailures(Platform& platform, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const Failure& failure) {
        platform.showMessage(failure.text());
    } catch (const std::exception& error) {
        platform.showMessage(QString::fromUtf8(error.what()));
    }
}

} // namespace quillpix
