#include "residentengine.h"

#include "backgroundwork.h"
#include "batchline.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMutexLocker>
#include <QPromise>

#include <tesseract/baseapi.h>

namespace quillpix::engine {
namespace {

QString modified(const QString& path) {
    return path.isEmpty() ? QString()
                          : QString::number(QFileInfo(path).lastModified().toMSecsSinceEpoch());
}

} // namespace

ResidentEngine::ResidentEngine(Threads threads) : m_loaded(threads) {
    m_thread.setObjectName(QStringLiteral("resident engine"));
    m_context.moveToThread(&m_thread);
    m_thread.start();
}

ResidentEngine::~ResidentEngine() {
    // The engines unload after the worker has ended (m_loaded goes after this body).
    m_thread.quit();
    m_thread.wait();
}

bool ResidentEngine::enabledByEnvironment() {
    return qEnvironmentVariable("QUILLPIX_ENGINE")
               .compare(QLatin1String("batch"), Qt::CaseInsensitive) != 0;
}

void ResidentEngine::discardMessages() {
    // An engine that is not loaded still reaches the library's shared settings.
    tesseract::TessBaseAPI api;
    api.SetVariable("debug_file", "/dev/null");
}

Verdict ResidentEngine::identify(const QProcessEnvironment& environment,
                                 const QString& workingFolder) {
    // Found as the batch file runner finds the program it starts.
    const QString program =
        batchfile::findProgram(QStringLiteral("tesseract"), workingFolder, environment);
    if (program.isEmpty())
        return {false, {}, QStringLiteral("no tesseract on PATH")};
    const QString key =
        QStringList{environment.value(QStringLiteral("PATH")), workingFolder, program,
                    modified(program), environment.value(QStringLiteral("TESSDATA_PREFIX"))}
            .join(QChar(0x1f));
    {
        const QMutexLocker lock(&m_verdictsLock);
        const auto known = m_verdicts.constFind(key);
        if (known != m_verdicts.constEnd())
            return *known;
    }
    const Verdict verdict = checkProgram(program, workingFolder);
    const QMutexLocker lock(&m_verdictsLock);
    m_verdicts.insert(key, verdict);
    return verdict;
}

Verdict ResidentEngine::identifyPathProgram(const QString& workingFolder) {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread())
        return identify(environment, workingFolder);
    Verdict verdict;
    waitForWorker([&] { verdict = identify(environment, workingFolder); });
    return verdict;
}

Outcome ResidentEngine::runBatchText(const QString& batchText, const QString& workingFolder,
                                     const QString& batchPath, QList<enginelayout::Line>* lines,
                                     StopRequested stopRequested, Progressed progressed) {
    if (!enabledByEnvironment())
        return Outcome::NotResident;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const auto call = plainCallOfBatch(
        batchText, environment,
        batchPath.isEmpty() ? QDir(workingFolder).filePath(QStringLiteral("tess.bat")) : batchPath);
    if (!call)
        return Outcome::NotResident;
    const PlainCall resolved = resolvedAgainst(*call, workingFolder);
    Outcome outcome = Outcome::Failed;
    waitForWorker([&] {
        const Verdict verdict = identify(environment, workingFolder);
        outcome = !verdict.same
                      ? Outcome::NotResident
                      : m_loaded.runFile(resolved,
                                         resolved.tessdataDir.isEmpty() ? verdict.tessdataFolder
                                                                        : resolved.tessdataDir,
                                         lines, stopRequested, progressed);
    });
    return outcome;
}

Outcome ResidentEngine::runAndWait(const PlainCall& call, const QString& workingFolder,
                                   StopRequested stopRequested) {
    const PlainCall resolved = resolvedAgainst(call, workingFolder);
    Outcome outcome = Outcome::Failed;
    waitForWorker([&] {
        outcome = m_loaded.runFile(resolved, resolved.tessdataDir, nullptr, stopRequested);
    });
    return outcome;
}

void ResidentEngine::prepare(const QString& batchText, const QString& workingFolder,
                             const QString& batchPath) {
    if (!enabledByEnvironment())
        return;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const auto call = plainCallOfBatch(
        batchText, environment,
        batchPath.isEmpty() ? QDir(workingFolder).filePath(QStringLiteral("tess.bat")) : batchPath);
    if (!call)
        return;
    const PlainCall resolved = resolvedAgainst(*call, workingFolder);
    QMetaObject::invokeMethod(
        &m_context,
        [this, environment, workingFolder, resolved] {
            try {
                const Verdict verdict = identify(environment, workingFolder);
                if (!verdict.same)
                    return;
                m_loaded.prepare(resolved, resolved.tessdataDir.isEmpty() ? verdict.tessdataFolder
                                                                          : resolved.tessdataDir);
            } catch (...) {
            }
        },
        Qt::QueuedConnection);
}

int ResidentEngine::loadedEngines() {
    int count = 0;
    waitForWorker([&] { count = m_loaded.count(); });
    return count;
}

// Runs job on the worker and handles the calling thread's events until it has ended. The job
// writes its result into the caller's variables, which live until it has ended.
void ResidentEngine::waitForWorker(const std::function<void()>& job) {
    // A thread of its own hands the job to the worker and waits for it there, so the calling
    // thread (the window's) waits as every other wait beside it does. It is joined even when
    // the application quits meanwhile: the run cannot be stopped halfway.
    whileAnswering([this, &job] {
        QMetaObject::invokeMethod(
            &m_context,
            [&job] {
                try {
                    job();
                } catch (...) {
                }
            },
            Qt::BlockingQueuedConnection);
        return true;
    });
}

QFuture<PictureText> ResidentEngine::startReading(const PlainCall& call, const QImage& picture,
                                                  bool withLines, StopRequested stopRequested,
                                                  enginelayout::Alternatives alternatives) {
    auto promise = std::make_shared<QPromise<PictureText>>();
    QFuture<PictureText> future = promise->future();
    promise->start();
    QMetaObject::invokeMethod(
        &m_context,
        [this, promise, call, picture, withLines, alternatives,
         stopRequested = std::move(stopRequested)] {
            PictureText result;
            try {
                result = m_loaded.read(call, picture, withLines, stopRequested, alternatives);
            } catch (...) {
                result.outcome = Outcome::Failed;
            }
            promise->addResult(result);
            promise->finish();
        },
        Qt::QueuedConnection);
    return future;
}

ResidentEngine::Threads threadsForOneCrop(int processors) {
    constexpr int kEngineRegionThreads = 4;
    return processors >= kEngineRegionThreads ? ResidentEngine::Threads::EngineDefault
                                              : ResidentEngine::Threads::One;
}

} // namespace quillpix::engine
