#include "pictureloader.h"

#include "failure.h"
#include "viewmath.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QSignalBlocker>

#include <atomic>
#include <mutex>
#include <new>
#include <thread>

namespace quillpix::viewer {
namespace {

// Threads are the process's, so their count is too.
std::atomic<int>& runningReads() {
    static std::atomic<int> count{0};
    return count;
}

} // namespace

QImage loadPage(const QString& path, int page, QSize displayOuter) {
    return openPage(path, page, displayOuter).read();
}

QImage loadPicture(const QString& path, QSize displayOuter) {
    return loadPage(path, pictures::kNoPage, displayOuter);
}

pictures::OpenedPage openPage(const QString& path, int page, QSize displayOuter) {
    return pictures::OpenedPage(path, page,
                                {largestPicture(displayOuter), pictures::memoryCeiling()});
}

bool readsUnderWay() {
    return runningReads().load() > 0;
}

struct BackgroundRead::Job {
    std::atomic<bool> abandoned{false};
    // Guards owner: the thread hands its result over only while the owner still wants it.
    std::mutex mutex;
    BackgroundRead* owner = nullptr;
    QImage picture;
    QString problem;
};

BackgroundRead::~BackgroundRead() {
    // Nothing is told: whoever waited goes with the owner.
    const QSignalBlocker quiet(this);
    abandon();
}

void BackgroundRead::abandon() {
    if (!m_current)
        return;
    {
        const std::lock_guard<std::mutex> lock(m_current->mutex);
        m_current->abandoned = true;
        m_current->owner = nullptr;
    }
    m_current.reset();
    emit ended();
}

void BackgroundRead::start(pictures::OpenedPage reader) {
    abandon();
    auto job = std::make_shared<Job>();
    job->owner = this;
    m_current = job;
    auto shared = std::make_shared<pictures::OpenedPage>(std::move(reader));
    ++runningReads();
    std::thread([job, shared] {
        try {
            job->picture = shared->read([&job] { return job->abandoned.load(); });
        } catch (const Failure& failure) {
            job->problem = failure.text();
        } catch (const std::bad_alloc&) {
            job->problem =
                QCoreApplication::translate("viewer", "画像を読み込むメモリが足りません。");
        }
        {
            const std::lock_guard<std::mutex> lock(job->mutex);
            if (job->owner)
                QMetaObject::invokeMethod(
                    job->owner, [owner = job->owner, job] { owner->finish(job); },
                    Qt::QueuedConnection);
        }
        --runningReads();
    }).detach();
}

void BackgroundRead::finish(const std::shared_ptr<Job>& job) {
    if (job != m_current)
        return;
    m_current.reset();
    if (job->problem.isEmpty())
        emit done(job->picture);
    else
        emit failed(job->problem);
    emit ended();
}

} // namespace quillpix::viewer
