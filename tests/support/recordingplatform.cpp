#include "recordingplatform.h"

#include "residentengine.h"
#include "residentfirst.h"
#include "scanaside.h"

#include <QFile>

namespace quillpix::testing {

RecordingPlatform::RecordingPlatform() : m_engine(std::make_unique<engine::ResidentEngine>()) {}

QStringList RecordingPlatform::alternativesAt(const QImage& picture, const QRect& box,
                                              bool vertical) {
    return quillpix::alternativesAt(picture, box, vertical, *m_engine);
}

RecordingPlatform::~RecordingPlatform() = default;

BatchReport RecordingPlatform::runBatch(const QString& batchPath, WindowStyle style,
                                        const std::function<bool()>& stopRequested,
                                        const std::function<void(int)>& progressed) {
    QFile file(batchPath);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    batchRuns.push_back({batchPath, style, bytes, {}});
    // No console window: the tests answer no "pause".
    const BatchReport report = runResidentFirst(batchPath, WindowStyle::MinimizedNoFocus, *m_engine,
                                                nullptr, stopRequested, progressed);
    batchRuns.back().report = report;
    return report;
}

QList<scanner::Device> RecordingPlatform::scanners(scanner::Error* error) {
    return scanaside::devices(error);
}

scanner::Capabilities RecordingPlatform::scannerCapabilities(const QString& device) {
    return scanaside::capabilities(device);
}

QImage RecordingPlatform::scannerPreview(const scanner::Request& request,
                                         const std::function<bool()>& stopRequested,
                                         scanner::Error* error) {
    return scanaside::preview(request, stopRequested, error);
}

scanner::FolderScan
RecordingPlatform::scanIntoFolder(const scanner::Request& request, const QString& folder,
                                  const std::function<void(const scanner::Progress&)>& progress,
                                  const std::function<bool()>& stopRequested) {
    scanRuns.push_back({request, folder, {}});
    const scanner::FolderScan result =
        scanaside::scanIntoFolder(request, folder, progress, stopRequested);
    scanRuns.back().result = result;
    return result;
}

} // namespace quillpix::testing
