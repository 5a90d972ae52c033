#pragma once

#include "engine.h"

#include <QFuture>

#include <memory>
#include <vector>

namespace quillpix::engine {
class ResidentEngine;
struct PlainCall;
} // namespace quillpix::engine

namespace quillpix::folderbatch {

// The batch's engine of choice. When the command the window would write for these settings is
// a plain call of the engine and the `tesseract` on PATH is the linked library's own program,
// pictures are read by loaded engines inside this program, as the window's run reads them: one
// loaded engine per picture under way, each on a thread of its own with one thread for its
// recognition, kept for the whole batch. Otherwise, and with QUILLPIX_ENGINE=batch, one process
// per picture (makeProcessEngine()).
class ResidentFirstEngine : public Engine {
public:
    ResidentFirstEngine();
    ~ResidentFirstEngine() override;

    QString check(const Settings& settings) override;
    std::unique_ptr<EngineRun> start(const Settings& settings, const QString& workFolder) override;

    // Pictures handed to a loaded engine so far; a picture that went on to a process does not
    // count.
    int residentRuns() const { return m_residentRuns; }
    // Why the pictures go to processes; "" while they are read here.
    QString processReason() const { return m_processReason; }

private:
    struct Resident;
    Resident& idleEngine();

    std::unique_ptr<Engine> m_process;
    std::unique_ptr<engine::PlainCall> m_call; // set while pictures are read here
    std::vector<std::unique_ptr<Resident>> m_engines;
    QString m_processReason;
    int m_residentRuns = 0;
};

} // namespace quillpix::folderbatch
