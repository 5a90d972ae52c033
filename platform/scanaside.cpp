#include "scanaside.h"

#include "backgroundwork.h"

#include <QObject>

namespace quillpix::scanaside {

QList<scanner::Device> devices(scanner::Error* error) {
    scanner::Error found;
    const QList<scanner::Device> list =
        whileAnswering([&found] { return scanner::devices(&found); });
    if (error)
        *error = found;
    return list;
}

scanner::Capabilities capabilities(const QString& device) {
    return whileAnswering([device] { return scanner::capabilities(device); });
}

QImage preview(const scanner::Request& request, const std::function<bool()>& stopRequested,
               scanner::Error* error) {
    const auto [picture, outcome] = whileAnswering([request, stopRequested] {
        QImage page;
        scanner::Events events;
        events.stopRequested = stopRequested;
        events.page = [&page](const QImage& scanned, scanner::Error&) {
            page = scanned;
            return true;
        };
        const scanner::Outcome outcome = scanner::scan(request, events);
        return std::pair{page, outcome};
    });
    if (error)
        *error = outcome.error;
    return picture;
}

scanner::FolderScan scanIntoFolder(const scanner::Request& request, const QString& folder,
                                   const std::function<void(const scanner::Progress&)>& progress,
                                   const std::function<bool()>& stopRequested) {
    // Progress is handed over to this thread in the order it came; what is still queued when
    // the scan ends arrives before the wait does.
    QObject relay;
    scanner::Events events;
    events.stopRequested = stopRequested;
    if (progress)
        events.progress = [&relay, progress](const scanner::Progress& p) {
            QMetaObject::invokeMethod(
                &relay, [progress, p] { progress(p); }, Qt::QueuedConnection);
        };
    return whileAnswering(
        [request, folder, events] { return scanner::scanIntoFolder(request, folder, events); });
}

} // namespace quillpix::scanaside
