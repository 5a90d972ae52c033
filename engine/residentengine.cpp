#include "residentengine.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPromise>
#include <QSemaphore>
#include <QUuid>

#include <tesseract/baseapi.h>
#include <tesseract/renderer.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <locale.h>

namespace quillpix::engine {

struct ResidentEngine::Loaded {
    tesseract::TessBaseAPI api;
    // What the settings left after loading; every run starts from these again.
    tesseract::PageSegMode psmAfterInit = tesseract::PSM_SINGLE_BLOCK;
    std::string dpiAfterInit;
};

namespace {

std::string local(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

// The file the engine reads for a config name: the data folder's configs/, then tessconfigs/.
// "" when neither has it (the command line would then look in its working folder).
QString configFile(const QString& datapath, const QString& name) {
    for (const char* folder : {"configs/", "tessconfigs/"}) {
        const QString path = datapath + QLatin1String(folder) + name;
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

bool configsAreResident(const QString& datapath, const QStringList& configs) {
    for (const QString& name : configs) {
        QFile file(configFile(datapath, name));
        if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
            return false;
        if (!refusedConfigLines(QString::fromLocal8Bit(file.readAll())).isEmpty())
            return false;
    }
    return true;
}

QString modified(const QString& path) {
    return path.isEmpty() ? QString()
                          : QString::number(QFileInfo(path).lastModified().toMSecsSinceEpoch());
}

// Everything the engine reads when it loads: a different value needs another engine. The
// user word and pattern files count with their modification time, so an edited list loads
// again.
std::string settingsKey(const PlainCall& call, const QString& datapath) {
    QStringList parts{datapath,
                      call.languages,
                      QString::number(call.oem),
                      call.userWords,
                      modified(call.userWords),
                      call.userPatterns,
                      modified(call.userPatterns)};
    parts << QString::number(call.configs.size()) << call.configs;
    for (const auto& [name, value] : call.variables)
        parts << name << value;
    return parts.join(QChar(0x1f)).toStdString();
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

} // namespace

ResidentEngine::ResidentEngine(Threads threads) : m_threads(threads) {
    m_thread.setObjectName(QStringLiteral("resident engine"));
    m_context.moveToThread(&m_thread);
    m_thread.start();
}

ResidentEngine::~ResidentEngine() {
    m_thread.quit();
    m_thread.wait();
    m_engines.clear();
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

Verdict ResidentEngine::identifyPathProgram(const QString& workingFolder) {
    const QString pathValue = qEnvironmentVariable("PATH");
    const QString program = findOnPath(QStringLiteral("tesseract"), pathValue, workingFolder);
    if (program.isEmpty())
        return {false, {}, QStringLiteral("no tesseract on PATH")};
    const QString key = QStringList{pathValue, workingFolder, program, modified(program),
                                    qEnvironmentVariable("TESSDATA_PREFIX")}
                            .join(QChar(0x1f));
    const auto known = m_verdicts.constFind(key);
    if (known != m_verdicts.constEnd())
        return *known;
    const Verdict verdict = checkProgram(program, workingFolder);
    m_verdicts.insert(key, verdict);
    return verdict;
}

Outcome ResidentEngine::runBatchText(const QString& batchText, const QString& workingFolder) {
    if (!enabledByEnvironment())
        return Outcome::NotResident;
    const auto call = plainCall(simpleWords(batchText));
    if (!call)
        return Outcome::NotResident;
    const Verdict verdict = identifyPathProgram(workingFolder);
    if (!verdict.same)
        return Outcome::NotResident;
    const PlainCall resolved = resolvedAgainst(*call, workingFolder);
    return runOnWorker(resolved, resolved.tessdataDir.isEmpty() ? verdict.tessdataFolder
                                                                : resolved.tessdataDir);
}

Outcome ResidentEngine::run(const PlainCall& call, const QString& workingFolder) {
    const PlainCall resolved = resolvedAgainst(call, workingFolder);
    return runOnWorker(resolved, resolved.tessdataDir);
}

QFuture<Outcome> ResidentEngine::start(const PlainCall& call, const QString& workingFolder) {
    const PlainCall resolved = resolvedAgainst(call, workingFolder);
    auto promise = std::make_shared<QPromise<Outcome>>();
    QFuture<Outcome> future = promise->future();
    promise->start();
    // Should the worker end before the run, the promise goes unfinished, which finishes the
    // future as cancelled.
    QMetaObject::invokeMethod(
        &m_context,
        [this, promise, resolved] {
            Outcome outcome = Outcome::Failed;
            try {
                outcome = work(resolved, resolved.tessdataDir);
            } catch (...) {
            }
            promise->addResult(outcome);
            promise->finish();
        },
        Qt::QueuedConnection);
    return future;
}

Outcome ResidentEngine::runOnWorker(const PlainCall& resolved, const QString& datapath) {
    struct Job {
        Outcome outcome = Outcome::Failed;
        QSemaphore finished;
    };
    auto job = std::make_shared<Job>();
    QEventLoop loop;
    QMetaObject::invokeMethod(
        &m_context,
        [this, job, resolved, datapath, loop = &loop] {
            try {
                job->outcome = work(resolved, datapath);
            } catch (...) {
                job->outcome = Outcome::Failed;
            }
            // The loop is still there: it goes only after the release below.
            QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
            job->finished.release();
        },
        Qt::QueuedConnection);
    loop.exec();
    // The loop also ends when the application quits; the run cannot be stopped halfway.
    job->finished.acquire();
    return job->outcome;
}

Outcome ResidentEngine::work(const PlainCall& call, const QString& datapath) {
    useClassicLocale();
    if (m_threads == Threads::One)
        useOneThread();
    const std::string key = settingsKey(call, datapath);
    auto found = m_engines.find(key);
    if (found == m_engines.end()) {
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
        const std::string data = local(datapath);
        const std::string languages = local(call.languages);
        if (api.Init(data.empty() ? nullptr : data.c_str(), languages.c_str(),
                     static_cast<tesseract::OcrEngineMode>(call.oem), configPointers.data(),
                     int(configPointers.size()), &names, &values, false) != 0)
            return Outcome::Failed;
        if (!configsAreResident(QString::fromLocal8Bit(api.GetDatapath()), call.configs))
            return Outcome::NotResident;
        for (const auto& [name, value] : call.variables)
            api.SetVariable(local(name).c_str(), local(value).c_str());
        loaded->psmAfterInit = api.GetPageSegMode();
        int dpi = 0;
        api.GetIntVariable("user_defined_dpi", &dpi);
        loaded->dpiAfterInit = std::to_string(dpi);
        found = m_engines.emplace(key, std::move(loaded)).first;
        m_loaded.store(int(m_engines.size()));
    }
    tesseract::TessBaseAPI& api = found->second->api;
    api.SetPageSegMode(found->second->psmAfterInit);
    api.SetVariable("user_defined_dpi", found->second->dpiAfterInit.c_str());
    api.SetOutputName(local(call.outputBase).c_str());
    // The command line's page segmentation mode counts unless a config chose another.
    if (api.GetPageSegMode() == tesseract::PSM_SINGLE_BLOCK)
        api.SetPageSegMode(static_cast<tesseract::PageSegMode>(call.psm));
    if (call.dpi != 0)
        api.SetVariable("user_defined_dpi", std::to_string(call.dpi).c_str());

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
        recognised = api.ProcessPages(local(call.image).c_str(), nullptr, 0, &renderer);
    }
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

} // namespace quillpix::engine
