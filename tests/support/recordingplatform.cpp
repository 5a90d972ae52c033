#include "recordingplatform.h"

#include "batchfile.h"

#include <QFile>

namespace quillpix::testing {

bool RecordingPlatform::runBatch(const QString& batchPath, WindowStyle style) {
    QFile file(batchPath);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    batchRuns.push_back({batchPath, style, bytes});
    return batchfile::runBatchFile(batchPath, batchfile::Console::None);
}

} // namespace quillpix::testing
