#include "batchcontroller.h"

namespace quillpix::folderbatch {

BatchController::BatchController(QObject* parent) : QObject(parent) {
    qRegisterMetaType<Progress>();
    qRegisterMetaType<Summary>();
}

BatchController::~BatchController() {
    // The engines end first, from here: the batch's thread may be waiting in a step.
    if (m_running && m_batch)
        m_batch->stopNow();
    if (m_running && m_batch)
        QMetaObject::invokeMethod(
            m_batch.data(), [b = m_batch.data()] { b->abort(); }, Qt::BlockingQueuedConnection);
    stopThread();
}

bool BatchController::start(const Settings& settings) {
    if (m_running)
        return false;
    stopThread();
    m_running = true;
    auto* batch = new Batch(settings);
    batch->moveToThread(&m_thread);
    m_batch = batch;
    connect(&m_thread, &QThread::finished, batch, &QObject::deleteLater);
    connect(batch, &Batch::progress, this, &BatchController::progress, Qt::QueuedConnection);
    connect(
        batch, &Batch::finished, this,
        [this](const Summary& summary) {
            m_running = false;
            stopThread();
            Q_EMIT finished(summary);
        },
        Qt::QueuedConnection);
    m_thread.start();
    QMetaObject::invokeMethod(batch, &Batch::start, Qt::QueuedConnection);
    return true;
}

void BatchController::cancel() {
    if (m_batch)
        QMetaObject::invokeMethod(m_batch, &Batch::cancel, Qt::QueuedConnection);
}

void BatchController::stopThread() {
    if (!m_thread.isRunning())
        return;
    m_thread.quit();
    m_thread.wait();
}

} // namespace quillpix::folderbatch
