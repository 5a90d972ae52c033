#pragma once

#include "backgroundwork.h"
#include "waitingpointer.h"

#include <QObject>

#include <atomic>
#include <utility>

namespace quillpix {

class Platform;

// Whether a run of the engine is under way in the window. The window owns the one state; the
// recognition marks its runs in it and every other handler asks it: a run's work files and
// its text belong to the picture shown when it started. The folder batch is not such a run.
class RunState : public QObject {
    Q_OBJECT
public:
    // A run under way from its construction to its end, however it ends: the window's one
    // background task. It shows the wait pointer over window until waitingEnds() or its end,
    // runs what would hold the window on a worker while the window repaints and answers, and
    // lets only the stop through (every other request asks refuse() and is turned away).
    class Run {
    public:
        explicit Run(RunState& state, QWidget* window = nullptr);
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

        // The long work is done; what is left is quick, and the pointer goes back now.
        void waitingEnds() { m_pointer.end(); }
        // work on a worker of its own; its result, or what it threw, once it has ended. work
        // must not touch the window: its inputs are copied in.
        template <typename Work> auto aside(Work work) { return whileAnswering(std::move(work)); }
        bool stopRequested() const { return m_state.stopRequested(); }

    private:
        RunState& m_state;
        WaitingPointer m_pointer;
    };

    bool running() const { return m_runs > 0; }
    // Asks the run under way to stop (nothing while none is); a new run starts unstopped. Read
    // from any thread: the loaded engine asks between its words.
    void requestStop() {
        if (running())
            m_stopRequested = true;
    }
    bool stopRequested() const { return m_stopRequested; }
    // How far the run under way has come, in percent, as its engine tells it (from any thread);
    // -1 until it tells, and for a run that tells nothing.
    void setProgress(int percent) { m_progress = percent; }
    int progress() const { return m_progress; }
    // While a run is under way the user is told message and true is returned: the caller
    // refuses what was asked.
    bool refuse(Platform& platform, const QString& message) const;

Q_SIGNALS:
    // A run begins: nothing may change what it works on.
    void started();
    // The last run under way ended.
    void ended();

private:
    int m_runs = 0;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<int> m_progress{-1};
};

} // namespace quillpix
