#include "loadedengines.h"

#include "engineidentity.h"
#include "enginelayout.h"
#include "enginesettings.h"
#include "libraryparameters.h"
#include "pictureresolution.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/renderer.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <locale.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace quillpix::engine {

struct LoadedEngines::Loaded {
    QString key;
    QList<EngineFile> files; // as they were when it loaded
    tesseract::TessBaseAPI api;
    // What the settings left after loading; every run starts from these again.
    tesseract::PageSegMode psmAfterInit = tesseract::PSM_SINGLE_BLOCK;
    std::string dpiAfterInit;
};

namespace {

// Settings found not to run resident are remembered up to this many; then the memo starts
// afresh, which costs a few file reads per setting.
constexpr qsizetype kRememberedRefusals = 64;

std::string local(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

// The worker reads numbers and config files as the command line does, in the "C" locale,
// whatever locale the window uses.
void useClassicLocale() {
    static thread_local bool done = false;
    if (done)
        return;
    if (const locale_t classic = ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr)))
        ::uselocale(classic);
    done = true;
}

// The library's OpenMP regions run in one thread when started from this thread. A limit on
// nesting is kept per thread by GNU OpenMP, so other threads (the window's engine) keep their
// own; OMP_THREAD_LIMIT would come too late, as it is read when the runtime loads. A library
// built without OpenMP has nothing to limit.
void useOneThread() {
    static thread_local bool done = false;
    if (done)
        return;
    using SetLevels = void (*)(int);
    if (auto set = reinterpret_cast<SetLevels>(::dlsym(RTLD_DEFAULT, "omp_set_max_active_levels")))
        set(0);
    done = true;
}

// The picture as the engine's own reader gives a picture file of the same pixels: 8-bit grey
// stays 8-bit, anything else is 24-bit colour (RGB words, the fourth byte 0), and the
// resolution is the file's dots per metre in whole pixels per inch (0: none given).
Pix* pixOf(const QImage& picture) {
    const bool grey = picture.format() == QImage::Format_Grayscale8;
    const QImage image = grey ? picture : picture.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return nullptr;
    Pix* pix = pixCreate(image.width(), image.height(), grey ? 8 : 32);
    if (!pix)
        return nullptr;
    if (!grey)
        pixSetSpp(pix, 3);
    const int wpl = pixGetWpl(pix);
    l_uint32* rows = pixGetData(pix);
    for (int y = 0; y < image.height(); ++y) {
        l_uint32* row = rows + rowOffset(y, wpl);
        if (grey) {
            const uchar* in = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x)
                SET_DATA_BYTE(row, x, in[x]);
        } else {
            const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] = (in[x] & 0xffffffu) << 8;
        }
    }
    // The work picture carries the resolution rule's answer (pictures::kNoResolution reads as 0).
    pixSetResolution(pix, pictures::wholeDotsPerInch(image.dotsPerMeterX()),
                     pictures::wholeDotsPerInch(image.dotsPerMeterY()));
    return pix;
}

// The engine's monitor asks this between the words it recognises; once a stop has been seen
// it stays seen, so the rest of the page is skipped word after word without asking again.
struct StopWatch {
    const StopRequested* stopRequested = nullptr;
    bool stopped = false;
    // Told the monitor's progress, which the engine sets just before it asks.
    const Progressed* progressed = nullptr;
    const tesseract::ETEXT_DESC* monitor = nullptr;
};

bool stopAsked(void* watch, int /*words*/) {
    auto* w = static_cast<StopWatch*>(watch);
    if (w->progressed && *w->progressed && w->monitor)
        (*w->progressed)(w->monitor->progress);
    if (!w->stopped)
        w->stopped = (*w->stopRequested)();
    return w->stopped;
}

// ProcessPage()'s own steps for one page held in memory, with a monitor that ProcessPage()
// cannot be given: the same page segmentation and recognition, nothing written. The layout
// analysis (0) and orientation (2) modes recognise no words, and go through ProcessPage().
bool recognisedPage(tesseract::TessBaseAPI& api, Pix* pix, tesseract::ETEXT_DESC* monitor) {
    const tesseract::PageSegMode mode = api.GetPageSegMode();
    if (!monitor || mode == tesseract::PSM_OSD_ONLY || mode == tesseract::PSM_AUTO_ONLY)
        return api.ProcessPage(pix, 0, "", nullptr, 0, nullptr);
    api.SetInputName("");
    api.SetImage(pix);
    return api.Recognize(monitor) >= 0;
}

// ProcessPages()'s steps for a picture file of one page, with a monitor that asks
// stopRequested between the words: the same reading, the same text written. A TIFF, which may
// hold several pages, and a file of no format the library knows go through ProcessPages().
enum class PageRun { NotOnePage, Recognised, Failed, Stopped };
PageRun runOnePage(tesseract::TessBaseAPI& api, const std::string& image,
                   tesseract::TessResultRenderer& renderer, const StopRequested& stopRequested,
                   const Progressed& progressed) {
    l_int32 format = IFF_UNKNOWN;
    if (findFileFormat(image.c_str(), &format) != 0 || format == IFF_UNKNOWN ||
        L_FORMAT_IS_TIFF(format))
        return PageRun::NotOnePage;
    Pix* pix = pixRead(image.c_str());
    if (!pix)
        return PageRun::Failed;
    StopWatch watch;
    watch.stopRequested = &stopRequested;
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = stopAsked;
    monitor.cancel_this = &watch;
    watch.progressed = &progressed;
    watch.monitor = &monitor;
    PageRun run = PageRun::Failed;
    if (renderer.BeginDocument("")) {
        const bool recognised = recognisedPage(api, pix, &monitor);
        run = watch.stopped ? PageRun::Stopped
              : recognised && renderer.AddImage(&api) && renderer.EndDocument()
                  ? PageRun::Recognised
                  : PageRun::Failed;
    }
    pixDestroy(&pix);
    return run;
}

// The LSTM engine keeps each symbol's other readings only while its lstm_choice_mode is 2.
// Set on one engine for one read: the setting is the engine's own, and goes back to what the
// call's settings made it (they may set it too), so the engine's next read reads as before.
class ChoicesKept {
public:
    ChoicesKept(tesseract::TessBaseAPI& api, bool keep) {
        // Were it shared by every engine, setting it would reach the reads of other threads.
        if (!keep || processWideVariable(QString::fromLatin1(kMode)) ||
            !api.GetIntVariable(kMode, &m_before))
            return;
        m_api = &api;
        m_api->SetVariable(kMode, "2");
    }
    ~ChoicesKept() {
        if (m_api)
            m_api->SetVariable(kMode, std::to_string(m_before).c_str());
    }
    ChoicesKept(const ChoicesKept&) = delete;
    ChoicesKept& operator=(const ChoicesKept&) = delete;

private:
    static constexpr const char* kMode = "lstm_choice_mode";
    tesseract::TessBaseAPI* m_api = nullptr;
    int m_before = 0;
};

} // namespace

LoadedEngines::LoadedEngines(EngineThreads threads) : m_threads(threads) {}

LoadedEngines::~LoadedEngines() {
    if (m_engines.empty())
        return;
    m_engines.clear();
    // Dictionaries no other engine uses would otherwise go to the next engine that loads a
    // file of the same name (see unloadBefore()).
    tesseract::TessBaseAPI::ClearPersistentCache();
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}

void LoadedEngines::prepare(const PlainCall& call, const QString& givenDataFolder) {
    Outcome refusal = Outcome::NotResident;
    ready(call, givenDataFolder, refusal);
}

qsizetype rowOffset(int y, int wordsPerLine) {
    return qsizetype(y) * wordsPerLine;
}

QString LoadedEngines::defaultDataFolder() {
    // What the library finds by itself depends on TESSDATA_PREFIX; the installed program of
    // the same build reports it.
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!m_defaultDataFolder || m_defaultDataFolder->first != prefix) {
        const QString program = installedProgram();
        m_defaultDataFolder = {
            prefix, program.isEmpty() ? QString()
                                      : checkProgram(program, QDir::currentPath()).tessdataFolder};
    }
    return m_defaultDataFolder->second;
}

LoadedEngines::Loaded* LoadedEngines::loaded(const QString& key) {
    const auto found = std::find_if(m_engines.begin(), m_engines.end(),
                                    [&](const auto& engine) { return engine->key == key; });
    if (found == m_engines.end())
        return nullptr;
    std::rotate(m_engines.begin(), found, found + 1);
    return m_engines.front().get();
}

std::unique_ptr<LoadedEngines::Loaded> LoadedEngines::loadEngine(const PlainCall& call,
                                                                 const QString& dataFolder) {
    auto loaded = std::make_unique<Loaded>();
    tesseract::TessBaseAPI& api = loaded->api;
    api.SetOutputName(local(call.outputBase).c_str());
    std::vector<std::string> names;
    std::vector<std::string> values;
    if (!call.userWords.isEmpty()) {
        names.emplace_back("user_words_file");
        values.push_back(local(call.userWords));
    }
    if (!call.userPatterns.isEmpty()) {
        names.emplace_back("user_patterns_file");
        values.push_back(local(call.userPatterns));
    }
    std::vector<std::string> configs;
    for (const QString& config : call.configs)
        configs.push_back(local(config));
    std::vector<char*> configPointers;
    for (std::string& config : configs)
        configPointers.push_back(config.data());
    const std::string data = local(dataFolder);
    const std::string languages = local(call.languages);
    if (api.Init(data.c_str(), languages.c_str(), static_cast<tesseract::OcrEngineMode>(call.oem),
                 configPointers.data(), int(configPointers.size()), &names, &values, false) != 0)
        return nullptr;
    for (const auto& [name, value] : call.variables)
        api.SetVariable(local(name).c_str(), local(value).c_str());
    loaded->psmAfterInit = api.GetPageSegMode();
    int dpi = 0;
    api.GetIntVariable("user_defined_dpi", &dpi);
    loaded->dpiAfterInit = std::to_string(dpi);
    return loaded;
}

// Makes room for one more engine: engines whose files have changed since they loaded go (no
// call can use them again), then the least recently used ones, so no more than kLoadedEngines
// are ever held at once.
void LoadedEngines::unloadBefore() {
    const auto changed = [](const std::unique_ptr<Loaded>& engine) {
        return std::any_of(engine->files.begin(), engine->files.end(), [](const EngineFile& file) {
            return fileStamp(file.path) != file.stamp;
        });
    };
    const size_t before = m_engines.size();
    m_engines.erase(std::remove_if(m_engines.begin(), m_engines.end(), changed), m_engines.end());
    if (m_engines.size() >= size_t(kLoadedEngines))
        m_engines.resize(size_t(kLoadedEngines) - 1);
    if (m_engines.size() == before)
        return;
    // The library keeps the dictionaries of every language data file it has read, by the
    // file's name, for the whole process, and hands them to the next engine that loads a file
    // of that name, even when the file has been replaced since. Those no engine uses any more
    // go now; that also gives their memory back.
    tesseract::TessBaseAPI::ClearPersistentCache();
#ifdef __GLIBC__
    // An engine is many thousands of allocations; without this the freed pages stay with the
    // process.
    ::malloc_trim(0);
#endif
}

LoadedEngines::Loaded* LoadedEngines::ready(const PlainCall& call, const QString& givenDataFolder,
                                            Outcome& refusal) {
    useClassicLocale();
    if (m_threads == EngineThreads::One)
        useOneThread();
    refusal = Outcome::NotResident;
    const QString dataFolder = givenDataFolder.isEmpty() ? defaultDataFolder() : givenDataFolder;
    if (dataFolder.isEmpty())
        return nullptr;
    const QString key = engineKey(call, dataFolder);
    Loaded* engine = loaded(key);
    if (!engine) {
        if (m_notResident.contains(key))
            return nullptr;
        // Decided from the files before any model is loaded.
        if (const QString reason = residentRefusal(call, dataFolder); !reason.isEmpty()) {
            if (m_notResident.size() >= kRememberedRefusals)
                m_notResident.clear();
            m_notResident.insert(key, reason);
            return nullptr;
        }
        unloadBefore();
        const QList<EngineFile> files = engineFiles(call, dataFolder);
        std::unique_ptr<Loaded> fresh = loadEngine(call, dataFolder);
        if (!fresh) {
            refusal = Outcome::Failed;
            return nullptr;
        }
        fresh->key = key;
        fresh->files = files;
        m_engines.insert(m_engines.begin(), std::move(fresh));
        engine = m_engines.front().get();
    }
    tesseract::TessBaseAPI& api = engine->api;
    api.SetPageSegMode(engine->psmAfterInit);
    api.SetVariable("user_defined_dpi", engine->dpiAfterInit.c_str());
    api.SetOutputName(local(call.outputBase).c_str());
    // The command line's page segmentation mode counts unless a config chose another.
    if (api.GetPageSegMode() == tesseract::PSM_SINGLE_BLOCK)
        api.SetPageSegMode(static_cast<tesseract::PageSegMode>(call.psm));
    if (call.dpi != 0)
        api.SetVariable("user_defined_dpi", std::to_string(call.dpi).c_str());
    return engine;
}

Outcome LoadedEngines::runFile(const PlainCall& call, const QString& givenDataFolder,
                               QList<enginelayout::Line>* lines, const StopRequested& stopRequested,
                               const Progressed& progressed) {
    if (stopRequested && stopRequested())
        return Outcome::Cancelled;
    Outcome refusal = Outcome::NotResident;
    Loaded* engine = ready(call, givenDataFolder, refusal);
    if (!engine)
        return refusal;
    tesseract::TessBaseAPI& api = engine->api;

    // The text is written under a name of its own and renamed into place when complete, so
    // the output base never holds half a result.
    const QString partial =
        call.outputBase + QStringLiteral(".partial-") + QUuid::createUuid().toString(QUuid::Id128);
    const QString finalFile = call.outputBase + QStringLiteral(".txt");
    bool recognised = false;
    {
        tesseract::TessTextRenderer renderer(local(partial).c_str());
        if (!renderer.happy()) {
            QFile::remove(partial + QStringLiteral(".txt"));
            return Outcome::Failed;
        }
        const PageRun run =
            stopRequested ? runOnePage(api, local(call.image), renderer, stopRequested, progressed)
                          : PageRun::NotOnePage;
        if (run == PageRun::Stopped) {
            api.Clear();
            QFile::remove(partial + QStringLiteral(".txt"));
            return Outcome::Cancelled;
        }
        recognised = run == PageRun::NotOnePage
                         ? api.ProcessPages(local(call.image).c_str(), nullptr, 0, &renderer)
                         : run == PageRun::Recognised;
    }
    // The page's results stay with the engine until it is cleared.
    if (lines && recognised)
        *lines = enginelayout::recognisedLines(api);
    api.Clear();
    api.ClearAdaptiveClassifier();
    // What the command line leaves after a failed page (an empty file for a picture it cannot
    // read) is left here too.
    if (std::rename(local(partial + QStringLiteral(".txt")).c_str(), local(finalFile).c_str()) !=
        0) {
        QFile::remove(partial + QStringLiteral(".txt"));
        return Outcome::Failed;
    }
    return recognised ? Outcome::Written : Outcome::Failed;
}

PictureText LoadedEngines::read(const PlainCall& call, const QImage& picture, bool withLines,
                                const StopRequested& stopRequested,
                                enginelayout::Alternatives alternatives) {
    PictureText result;
    // A stop that came while the read waited its turn costs no loading and no recognition.
    if (stopRequested && stopRequested()) {
        result.outcome = Outcome::Cancelled;
        return result;
    }
    Loaded* engine = ready(call, call.tessdataDir, result.outcome);
    if (!engine)
        return result;
    tesseract::TessBaseAPI& api = engine->api;
    const bool withAlternatives = alternatives == enginelayout::Alternatives::With;
    // Kept until the lines are taken: the choices are looked up by the mode the engine has then.
    const ChoicesKept choicesKept(api, withAlternatives);
    Pix* pix = pixOf(picture);
    if (!pix) {
        result.outcome = Outcome::Failed;
        return result;
    }
    // As the command line's run of one picture file: the page, then its text as the text
    // output writes it.
    StopWatch watch;
    watch.stopRequested = &stopRequested;
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = stopAsked;
    monitor.cancel_this = &watch;
    const bool recognised = recognisedPage(api, pix, stopRequested ? &monitor : nullptr);
    if (watch.stopped) {
        result.outcome = Outcome::Cancelled;
    } else if (recognised) {
        const std::unique_ptr<const char[]> text(api.GetUTF8Text());
        if (text) {
            result.utf8 = QByteArray(text.get());
            result.outcome = Outcome::Written;
            if (withLines || withAlternatives)
                result.lines = enginelayout::recognisedLines(api, alternatives);
        } else {
            result.outcome = Outcome::Failed;
        }
    } else {
        result.outcome = Outcome::Failed;
    }
    api.Clear();
    api.ClearAdaptiveClassifier();
    pixDestroy(&pix);
    return result;
}

} // namespace quillpix::engine
