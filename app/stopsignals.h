#pragma once

#include <QObject>

class QSocketNotifier;

namespace quillpix {

// SIGTERM and SIGHUP (a logout, a shutdown, a closed terminal) as a signal of the event loop:
// the handler only writes the signal's number to a pipe, and the window reads it between two
// events, where it may write files and end the program in order. One per process.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;
    // False when the pipe or the handlers could not be set up: the signals then end the
    // program as they did.
    bool listening() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void stopRequested(int signal);

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace quillpix
