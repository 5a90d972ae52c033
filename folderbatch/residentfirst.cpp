#include "residentfirst.h"

#include "plaincall.h"
#include "residentengine.h"

#include <QDir>
#include <QFutureWatcher>

#include <functional>

namespace quillpix::folderbatch {
namespace {

using engine::Outcome;

class ResidentRun : public EngineRun {
public:
    using Fallback = std::function<std::unique_ptr<EngineRun>()>;

    ResidentRun(QFuture<Outcome> future, Fallback fallback)
        : m_future(future), m_fallback(std::move(fallback)) {
        connect(&m_watcher, &QFutureWatcherBase::finished, this, [this] { ended(); });
        m_watcher.setFuture(m_future);
    }

    ~ResidentRun() override { kill(); }

    // A loaded engine cannot be stopped within a page: the page is waited for, so that nothing
    // writes in the work folder any more once this returns.
    void kill() override {
        m_killed = true;
        if (m_process)
            m_process->kill();
        m_future.waitForFinished();
    }

private:
    void ended() {
        if (m_killed)
            return;
        const Outcome outcome = m_future.resultCount() > 0 ? m_future.result() : Outcome::Failed;
        switch (outcome) {
        case Outcome::Written:
            Q_EMIT finished({});
            return;
        case Outcome::Failed:
            Q_EMIT finished(QStringLiteral("the engine could not read the work picture"));
            return;
        case Outcome::NotResident:
            // Nothing was written: the command line reads it instead.
            m_process = m_fallback();
            connect(m_process.get(), &EngineRun::finished, this,
                    [this](const QString& diagnostic) { Q_EMIT finished(diagnostic); });
            return;
        }
    }

    QFuture<Outcome> m_future;
    QFutureWatcher<Outcome> m_watcher;
    Fallback m_fallback;
    std::unique_ptr<EngineRun> m_process;
    bool m_killed = false;
};

} // namespace

struct ResidentFirstEngine::Resident {
    engine::ResidentEngine engine{engine::ResidentEngine::Threads::One};
    QFuture<Outcome> last; // a default future counts as finished
};

ResidentFirstEngine::ResidentFirstEngine() : m_process(makeProcessEngine()) {}

// The runs have been ended by now; each engine waits for its worker and unloads.
ResidentFirstEngine::~ResidentFirstEngine() = default;

QString ResidentFirstEngine::check(const Settings& settings) {
    m_call.reset();
    if (const QString problem = m_process->check(settings); !problem.isEmpty())
        return problem;
    if (!engine::ResidentEngine::enabledByEnvironment()) {
        m_processReason = QStringLiteral("QUILLPIX_ENGINE=batch");
        return {};
    }
    // The window's command for these settings, with the work folder's names.
    auto call = engine::plainCall(
        QStringList{QStringLiteral("tesseract"), QStringLiteral("tmp.bmp"), QStringLiteral("tmp")} +
        engineSettingsWords(settings));
    if (!call) {
        m_processReason = QStringLiteral("the engine options are more than a plain call");
        return {};
    }
    if (m_engines.empty())
        m_engines.push_back(std::make_unique<Resident>());
    // Processes find the program from the batch's own folder.
    const engine::Verdict verdict =
        m_engines.front()->engine.identifyPathProgram(QDir::currentPath());
    if (!verdict.same) {
        m_processReason = verdict.reason;
        return {};
    }
    if (call->tessdataDir.isEmpty())
        call->tessdataDir = verdict.tessdataFolder;
    m_call = std::make_unique<engine::PlainCall>(*call);
    m_processReason.clear();
    return {};
}

ResidentFirstEngine::Resident& ResidentFirstEngine::idleEngine() {
    // The batch starts a picture only when one of its runs has ended, so there are never more
    // engines than pictures at once.
    for (auto& resident : m_engines)
        if (resident->last.isFinished())
            return *resident;
    m_engines.push_back(std::make_unique<Resident>());
    return *m_engines.back();
}

std::unique_ptr<EngineRun> ResidentFirstEngine::start(const Settings& settings,
                                                      const QString& workFolder) {
    if (!m_call)
        return m_process->start(settings, workFolder);
    engine::PlainCall call = *m_call;
    call.image = workFolder + QStringLiteral("/tmp.bmp");
    call.outputBase = workFolder + QStringLiteral("/tmp");
    Resident& resident = idleEngine();
    // Relative paths of the options count from the work folder, as for a process.
    resident.last = resident.engine.start(call, workFolder);
    ++m_residentRuns;
    return std::make_unique<ResidentRun>(resident.last, [this, settings, workFolder] {
        // A config the loaded engine cannot take: this and every later picture go to processes.
        m_call.reset();
        m_processReason = QStringLiteral("a config the loaded engine cannot take");
        --m_residentRuns;
        return m_process->start(settings, workFolder);
    });
}

std::unique_ptr<Engine> makeEngine() {
    return std::make_unique<ResidentFirstEngine>();
}

} // namespace quillpix::folderbatch
