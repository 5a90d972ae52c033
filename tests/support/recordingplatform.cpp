#include "recordingplatform.h"

#include <QProcess>

namespace quillpix::testing {

bool RecordingPlatform::runBatch(const QString& batchPath, WindowStyle style) {
    batchRuns.push_back({batchPath, style});
    QProcess process;
    process.start(QStringLiteral("/bin/sh"), {batchPath});
    if (!process.waitForStarted())
        return false;
    process.waitForFinished(-1);
    return true;
}

} // namespace quillpix::testing
