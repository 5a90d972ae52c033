#pragma once

#include "engineidentity.h"
#include "plaincall.h"

#include <QFuture>
#include <QHash>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>
#include <unordered_map>

// The engine kept loaded between runs.
namespace quillpix::engine {

// How a resident run went.
enum class Outcome {
    NotResident, // nothing was run or written here: run the batch
    Written,     // the output file holds what the command line would have written
    Failed,      // the engine failed as the command line would have (usually: no output file)
};

// One worker thread and, in it, one loaded engine per set of settings (language data folder,
// languages, engine mode, config names, -c variables, user words and patterns), kept for the
// life of the object. Every run happens on the worker; the calling thread keeps handling its
// events meanwhile, as it does while a batch runs.
class ResidentEngine {
public:
    // How many threads a recognition may use: the engine's own choice (its OpenMP regions
    // take what the library's defaults allow), or one, for engines that run side by side.
    enum class Threads { EngineDefault, One };

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

    // The batch's text (decoded, as written to the batch file) and the folder it runs in.
    // When resident runs are enabled, the text is one plain call of "tesseract" and the
    // "tesseract" the batch would start from PATH is the linked engine's own program, the call
    // runs here with that program's language data and writes <output base>.txt exactly as the
    // command line would. Otherwise NotResident, and nothing was touched.
    Outcome runBatchText(const QString& batchText, const QString& workingFolder);

    // Runs the call here without looking at PATH; relative paths count from workingFolder and
    // the language data folder is the call's or the library's default. NotResident when a
    // config it names is not one of the data folder's own or would change the output.
    Outcome run(const PlainCall& call, const QString& workingFolder);

    // The same run, queued on the worker; returns at once. The future finishes when the run
    // has ended, written or not; it cannot be stopped halfway.
    QFuture<Outcome> start(const PlainCall& call, const QString& workingFolder);

    // Whether the "tesseract" that a batch in workingFolder would start is the linked engine's
    // program; remembered per PATH value, program file and its modification time.
    Verdict identifyPathProgram(const QString& workingFolder);

    // How many engines are loaded now.
    int loadedEngines() const { return m_loaded.load(); }

private:
    struct Loaded;
    Outcome runOnWorker(const PlainCall& resolved, const QString& datapath);
    Outcome work(const PlainCall& resolved, const QString& datapath);

    const Threads m_threads;
    QThread m_thread;
    QObject m_context; // lives in m_thread; runs are queued to it
    // Touched only on the worker thread.
    std::unordered_map<std::string, std::unique_ptr<Loaded>> m_engines;
    std::atomic<int> m_loaded{0};
    // Touched only on the calling thread.
    QHash<QString, Verdict> m_verdicts;
};

} // namespace quillpix::engine
