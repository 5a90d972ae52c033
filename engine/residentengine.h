#pragma once

#include "engineidentity.h"
#include "loadedengines.h"
#include "plaincall.h"

#include <QFuture>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QThread>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The engine kept loaded between runs.
namespace quillpix::engine {

// One worker thread and, in it, the loaded engines (LoadedEngines). Every run happens on the
// worker: runAndWait() and the checks wait for it while the calling thread keeps handling its
// events, as it does while a batch runs; startReading() and prepare() queue their work and
// return at once.
//
// No run changes what another run reads: a call runs here only when every variable it or its
// configs and language data set belongs to the engine it is set for (residentVariable()), so
// the library's process-wide settings keep their values for every engine, in every thread.
class ResidentEngine {
public:
    using Threads = EngineThreads;
    static constexpr int kLoadedEngines = LoadedEngines::kLoadedEngines;

    explicit ResidentEngine(Threads threads = Threads::EngineDefault);
    // Waits for a running recognition (a stop asked of it ends it early), then unloads every
    // engine.
    ~ResidentEngine();
    ResidentEngine(const ResidentEngine&) = delete;
    ResidentEngine& operator=(const ResidentEngine&) = delete;

    // False when QUILLPIX_ENGINE=batch is set: then every run goes to the batch.
    static bool enabledByEnvironment();

    // The library's progress and warning lines ("Detected 92 diacritics") go nowhere instead
    // of to standard error, for the rest of the process. The setting is one for all engines:
    // call it before any engine runs.
    static void discardMessages();

    // The batch's text (decoded, as written to the batch file), the folder it runs in and the
    // batch file ("%0"; "" for workingFolder's tess.bat, the file the window writes). When
    // resident runs are enabled, the batch file runner would run exactly one plain call of
    // "tesseract" for the text (plainCallOfBatch(), with this process's environment) and the
    // "tesseract" it would start is the linked engine's own program, the call runs here with
    // that program's language data and writes <output base>.txt exactly as the command line
    // would. Otherwise NotResident, and nothing was touched. The program is identified on the
    // worker, so the first run does not hold up the calling thread either. With lines given, a
    // resident read also gives where it read each line and character on the batch's picture.
    // stopRequested, asked on the worker, ends the read early; progressed is told there how far
    // it has come (see LoadedEngines::runFile).
    Outcome runBatchText(const QString& batchText, const QString& workingFolder,
                         const QString& batchPath = {}, QList<enginelayout::Line>* lines = nullptr,
                         StopRequested stopRequested = {}, Progressed progressed = {});

    // Runs the call here without looking at PATH; relative paths count from workingFolder and
    // the language data folder is the call's or the installed program's. NotResident when its
    // settings cannot run resident (residentRefusal()); that verdict is remembered per
    // engineKey(), so such settings cost no model load and only a few file reads.
    Outcome runAndWait(const PlainCall& call, const QString& workingFolder,
                       StopRequested stopRequested = {});

    // Loads, on the worker, the engine that runBatchText() would read the batch's picture with,
    // so that the run finds it loaded; returns at once. Nothing is read or written, and nothing
    // is loaded for a batch that would not run resident. A run asked for meanwhile waits for
    // the load, as it would have loaded the engine itself.
    void prepare(const QString& batchText, const QString& workingFolder,
                 const QString& batchPath = {});

    // How many engines are loaded once everything queued before has been done (the caller
    // handles its events meanwhile).
    int loadedEngines();

    // Reads a picture held in memory with the call's settings (its picture and output base are
    // not used; its language data folder is the installed program's when empty), queued on
    // the worker; returns at once. No file is written or read but the engine's own.
    // stopRequested is asked on the worker, before the read and between the words the engine
    // recognises (not while it finds the page's lines); once it says true the read ends as
    // Outcome::Cancelled, so a stop ends a long page within a word or so.
    // With alternatives, the lines come with the engine's other readings of each symbol
    // (LoadedEngines::read()).
    QFuture<PictureText>
    startReading(const PlainCall& call, const QImage& picture, bool withLines = false,
                 StopRequested stopRequested = {},
                 enginelayout::Alternatives alternatives = enginelayout::Alternatives::Without);

    // Whether the "tesseract" that a batch in workingFolder would start (batchfile::findProgram
    // with this process's environment) is the linked engine's program; remembered per PATH
    // value, program file and its modification time. On the application's main thread the
    // program is started from the worker and the caller keeps handling its events meanwhile;
    // on any other thread it is started right there, so nothing else of that thread runs in
    // between.
    Verdict identifyPathProgram(const QString& workingFolder);

private:
    void waitForWorker(const std::function<void()>& job);
    Verdict identify(const QProcessEnvironment& environment, const QString& workingFolder);

    // Touched only on the worker thread.
    LoadedEngines m_loaded;
    QThread m_thread;
    QObject m_context; // lives in m_thread; runs are queued to it
    // Asked from the caller's thread and from the worker.
    QMutex m_verdictsLock;
    QHash<QString, Verdict> m_verdicts;
};

// How many recognition threads read one crop fastest on a machine with this many processors.
// The engine's recognition splits the work of each text line into parallel regions of up to
// four threads, entered hundreds of times a line; with fewer processors than that the threads
// take turns and wait for each other (on 2 processors a paragraph took 3.5 to 6 times as long as
// with one thread), so below four processors one thread is faster.
ResidentEngine::Threads threadsForOneCrop(int processors);

} // namespace quillpix::engine
