#pragma once

#include "folderbatch.h"

#include <QObject>
#include <QPointer>
#include <QThread>

// The batch for the window: the same batch in a thread of its own, so picture loading and
// saving never hold up the window's event loop.
namespace quillpix::folderbatch {

class BatchController : public QObject {
    Q_OBJECT
public:
    explicit BatchController(QObject* parent = nullptr);
    // Ends a running batch at once (as abort: no half file) and waits for its thread.
    ~BatchController() override;

    // Starts a batch; false (nothing happens) while one runs. The signals below follow, the
    // last one finished().
    bool start(const Settings& settings);
    // Starts no further picture; the running ones are read and saved, then finished().
    void cancel();
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    // Once the total is known (finished 0), then after every picture dealt with: done of
    // total, the rate and the time left.
    void progress(const quillpix::folderbatch::Progress& progress);
    void finished(const quillpix::folderbatch::Summary& summary);

private:
    void stopThread();

    QThread m_thread;
    QPointer<Batch> m_batch;
    bool m_running = false;
};

} // namespace quillpix::folderbatch
