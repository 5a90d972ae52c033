#pragma once

#include "engineidentity.h"
#include "lines.h"
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

// How a resident run went.
enum class Outcome {
    NotResident, // nothing was run or written here: run the batch
    Written,     // the output file holds what the command line would have written
    Failed,      // the engine failed as the command line would have (usually: no output file)
};

// What a loaded engine read from a picture held in memory.
struct PictureText {
    Outcome outcome = Outcome::Failed;
    // Written: what the command line writes to <output base>.txt for a picture file of the same
    // pixels and resolution.
    QByteArray utf8;
    // When asked for: where each line and character the engine read lies, in the picture's
    // pixels.
    QList<enginelayout::Line> lines;
};

// One worker thread and, in it, up to kLoadedEngines loaded engines, one per set of settings
// (engineKey(): data folder, languages and their data files, engine mode, config files, -c
// variables, user words and patterns files); the one used least recently goes first. Every run
// happens on the worker; the calling thread keeps handling its events meanwhile, as it does
// while a batch runs.
//
// No run changes what another run reads: a call runs here only when every variable it or its
// configs and language data set belongs to the engine it is set for (residentVariable()), so
// the library's process-wide settings keep their values for every engine, in every thread.
class ResidentEngine {
public:
    // How many threads a recognition may use: the engine's own choice (its OpenMP regions
    // take what the library's defaults allow), or one, for engines that run side by side.
    enum class Threads { EngineDefault, One };

    // Three: the window's lists offer a handful of languages and options, and a person moves
    // between two or three of them (a language with and without an option, a second language)
    // without loading again; each engine holds 15 to 50 MB, so three stay well under 200 MB.
    static constexpr int kLoadedEngines = 3;

    explicit ResidentEngine(Threads threads = Threads::EngineDefault);
    ~ResidentEngine(); // waits for a running recognition, then unloads every engine
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
    // worker, so the first run does not hold up the calling thread either.
    Outcome runBatchText(const QString& batchText, const QString& workingFolder,
                         const QString& batchPath = {});

    // Runs the call here without looking at PATH; relative paths count from workingFolder and
    // the language data folder is the call's or the installed program's. NotResident when its
    // settings cannot run resident (residentRefusal()); that verdict is remembered per
    // engineKey(), so such settings cost no model load and only a few file reads.
    Outcome run(const PlainCall& call, const QString& workingFolder);

    // The same run, queued on the worker; returns at once. The future finishes when the run
    // has ended, written or not; it cannot be stopped halfway.
    QFuture<Outcome> start(const PlainCall& call, const QString& workingFolder);

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
    QFuture<PictureText> read(const PlainCall& call, const QImage& picture, bool withLines = false);

    // Whether the "tesseract" that a batch in workingFolder would start (batchfile::findProgram
    // with this process's environment) is the linked engine's program; remembered per PATH
    // value, program file and its modification time. On the application's main thread the
    // program is started from the worker and the caller keeps handling its events meanwhile;
    // on any other thread it is started right there, so nothing else of that thread runs in
    // between.
    Verdict identifyPathProgram(const QString& workingFolder);

private:
    struct Loaded;
    void waitForWorker(const std::function<void()>& job);
    Verdict identify(const QProcessEnvironment& environment, const QString& workingFolder);
    // The engine for the call, loaded if need be, with the call's page segmentation mode and
    // resolution set; nullptr with the outcome in refusal when it cannot run here.
    Loaded* ready(const PlainCall& call, const QString& givenDataFolder, Outcome& refusal);
    Outcome work(const PlainCall& resolved, const QString& dataFolder);
    PictureText readNow(const PlainCall& call, const QImage& picture, bool withLines);
    Loaded* loaded(const QString& key);
    std::unique_ptr<Loaded> load(const PlainCall& call, const QString& dataFolder);
    void unloadBefore();
    QString defaultDataFolder();

    const Threads m_threads;
    QThread m_thread;
    QObject m_context; // lives in m_thread; runs are queued to it
    // Touched only on the worker thread: the loaded engines, most recently used first; the
    // settings found not to run resident, with the reason; the installed program's data
    // folder, per TESSDATA_PREFIX value.
    std::vector<std::unique_ptr<Loaded>> m_engines;
    QHash<QString, QString> m_notResident;
    std::optional<std::pair<QString, QString>> m_defaultDataFolder;
    // Asked from the caller's thread and from the worker.
    QMutex m_verdictsLock;
    QHash<QString, Verdict> m_verdicts;
};

// Where row y of a picture with wordsPerLine 32-bit words to a row begins, in words: counted
// wide, as a picture the memory takes may hold more than 2^31 bytes.
qsizetype rowOffset(int y, int wordsPerLine);

// How many recognition threads read one crop fastest on a machine with this many processors.
// The engine's recognition splits the work of each text line into parallel regions of up to
// four threads, entered hundreds of times a line; with fewer processors than that the threads
// take turns and wait for each other (on 2 processors a paragraph took 3.5 to 6 times as long as
// with one thread), so below four processors one thread is faster.
ResidentEngine::Threads threadsForOneCrop(int processors);

} // namespace quillpix::engine
