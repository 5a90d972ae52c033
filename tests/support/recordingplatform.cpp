#include "recordingplatform.h"

#include "batchrunner.h"

#include <QFile>

namespace quillpix::testing {

bool RecordingPlatform::runBatch(const QString& batchPath, WindowStyle style) {
    QFile file(batchPath);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    batchRuns.push_back({batchPath, style, bytes});
    return batch::runBatchFile(batchPath, batch::Console::None);
}

} // namespace quillpix::testing
