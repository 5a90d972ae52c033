#pragma once

#include "lines.h"
#include "plaincall.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// The engines kept loaded between runs, and the runs on them. Used from one thread alone (the
// resident engine's worker), which is why nothing here locks.
namespace quillpix::engine {

// How a resident run went.
enum class Outcome {
    NotResident, // nothing was run or written here: run the batch
    Written,     // the output file holds what the command line would have written
    Failed,      // the engine failed as the command line would have (usually: no output file)
    Cancelled,   // a stop was asked for and the read ended early; what it read is thrown away
};

// Asked by a loaded engine between the words it recognises, from the engine's thread: true
// ends the read (Outcome::Cancelled). Empty: the read goes to its end.
using StopRequested = std::function<bool()>;
// Told by a loaded engine, from the engine's thread, how far its read of a page has come: a
// percentage that grows as it recognises the page's words.
using Progressed = std::function<void(int percent)>;

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

// How many threads a recognition may use: the engine's own choice (its OpenMP regions take
// what the library's defaults allow), or one, for engines that run side by side.
enum class EngineThreads { EngineDefault, One };

// Up to kLoadedEngines loaded engines, one per set of settings (engineKey(): data folder,
// languages and their data files, engine mode, config files, -c variables, user words and
// patterns files); the one used least recently goes first, and so does one whose files changed.
//
// No run changes what another run reads: a call runs here only when every variable it or its
// configs and language data set belongs to the engine it is set for (residentVariable()), so
// the library's process-wide settings keep their values for every engine, in every thread.
class LoadedEngines {
public:
    // Three: the window's lists offer a handful of languages and options, and a person moves
    // between two or three of them (a language with and without an option, a second language)
    // without loading again; each engine holds 15 to 50 MB, so three stay well under 200 MB.
    static constexpr int kLoadedEngines = 3;

    explicit LoadedEngines(EngineThreads threads);
    ~LoadedEngines(); // unloads every engine
    LoadedEngines(const LoadedEngines&) = delete;
    LoadedEngines& operator=(const LoadedEngines&) = delete;

    // The call's picture file read into <output base>.txt, exactly as the command line writes
    // it; the data folder is givenDataFolder, else the installed program's. NotResident when
    // its settings cannot run resident (residentRefusal()); that verdict is remembered per
    // engineKey(), so such settings cost no model load and only a few file reads. With lines
    // given, they receive where the same recognition read each line and character, in the
    // picture file's pixels (nothing when the read failed).
    // stopRequested, when given, is asked before the read and between its words (of a picture
    // of one page; a TIFF is read to its end); once it says true the read ends as Cancelled
    // and nothing is written. progressed, when given with it, is told how far the read has come
    // at the same moments.
    Outcome runFile(const PlainCall& call, const QString& givenDataFolder,
                    QList<enginelayout::Line>* lines = nullptr,
                    const StopRequested& stopRequested = {}, const Progressed& progressed = {});
    // A picture held in memory read with the call's settings (its picture and output base are
    // not used; its data folder is the installed program's when empty). stopRequested is asked
    // before the read and between its words; once it says true the read ends as Cancelled.
    // With alternatives, the lines are given (whatever withLines says) with the engine's other
    // readings of each symbol; the engine is told to keep them for this read alone, which
    // leaves its text as it is and costs recognition time.
    PictureText read(const PlainCall& call, const QImage& picture, bool withLines,
                     const StopRequested& stopRequested = {},
                     enginelayout::Alternatives alternatives = enginelayout::Alternatives::Without);
    // Loads the engine runFile() would use, reading nothing.
    void prepare(const PlainCall& call, const QString& givenDataFolder);
    int count() const { return int(m_engines.size()); }

private:
    struct Loaded;
    // The engine for the call, loaded if need be, with the call's page segmentation mode and
    // resolution set; nullptr with the outcome in refusal when it cannot run here.
    Loaded* ready(const PlainCall& call, const QString& givenDataFolder, Outcome& refusal);
    Loaded* loaded(const QString& key);
    std::unique_ptr<Loaded> loadEngine(const PlainCall& call, const QString& dataFolder);
    void unloadBefore();
    QString defaultDataFolder();

    const EngineThreads m_threads;
    // The loaded engines, most recently used first; the settings found not to run resident,
    // with the reason; the installed program's data folder, per TESSDATA_PREFIX value.
    std::vector<std::unique_ptr<Loaded>> m_engines;
    QHash<QString, QString> m_notResident;
    std::optional<std::pair<QString, QString>> m_defaultDataFolder;
};

// Where row y of a picture with wordsPerLine 32-bit words to a row begins, in words: counted
// wide, as a picture the memory takes may hold more than 2^31 bytes.
qsizetype rowOffset(int y, int wordsPerLine);

} // namespace quillpix::engine
