#include "pagereader.h"

#include "automatic.h"
#include "batchline.h"
#include "enginecall.h"
#include "engineidentity.h"
#include "enginesteps.h"
#include "outputformat.h"
#include "plaincall.h"
#include "programrun.h"
#include "residentengine.h"
#include "workpicture.h"

#include "failure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>

#include <mutex>

namespace quillpix::folderbatch {
namespace {

constexpr int kLowestPsm = 0;
constexpr int kHighestPsm = 13;

// Asked once, before any picture, so a slow wrapper is waited for; only a hanging one is cut off.
constexpr int kListingLimitMs = 30000;

// The value after an option word, "" when the option is not there.
QString optionValue(const QStringList& words, const QString& option) {
    const qsizetype at = words.lastIndexOf(option);
    return at >= 0 && at + 1 < words.size() ? words[at + 1] : QString();
}

} // namespace

QStringList installedLanguages(const QString& program, const QString& dataFolder) {
    processes::ProgramRun request;
    request.program = program;
    request.arguments = {QStringLiteral("--list-langs")};
    if (!dataFolder.isEmpty())
        request.arguments << QStringLiteral("--tessdata-dir") << dataFolder;
    // Standard input stays the pipe nobody writes to, as the listing reads none.
    request.emptyInput = false;
    // A wrapper that hangs goes with whatever it started.
    request.timeLimitMs = kListingLimitMs;
    const processes::ProgramResult ran = processes::run(request);
    if (ran.killed || !ran.normalExit || ran.exitCode != 0)
        return {};
    // A heading line ("List of available languages in ...:"), then one name a line.
    QStringList languages;
    bool listing = false;
    for (const QString& line : QString::fromUtf8(ran.output).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("List of available languages"))) {
            listing = true;
            continue;
        }
        if (listing && !line.trimmed().isEmpty())
            languages << line.trimmed();
    }
    return languages;
}

struct PageReader::Shared {
    Settings settings;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    pipeline::RunningProcesses processes;
    QString dataFolder; // the installed engine's own, for loaded engines
    std::atomic<int> residentRuns{0};

    mutable std::mutex mutex;
    bool resident = false;
    QString processReason;

    bool readsResident() const {
        std::lock_guard lock(mutex);
        return resident;
    }
    void useProcesses(const QString& why) {
        std::lock_guard lock(mutex);
        resident = false;
        processReason = why;
    }
};

class PageReader::EngineWorker : public PageReader::Worker {
public:
    EngineWorker(std::shared_ptr<Shared> shared, QString workFolder)
        : m_shared(std::move(shared)), m_folder(std::move(workFolder)) {}

    PageReading read(const QImage& picture, const pipeline::EngineSettings& settings,
                     bool withLines) override {
        Shared& s = *m_shared;
        PageReading page;
        const pipeline::CommandWords command =
            pipeline::engineWords(m_folder, settings, s.environment);
        if (!command.problem.isEmpty()) {
            page.reading.failed = true;
            page.reading.reason = command.problem;
            return page;
        }
        const QImage work = pipeline::workPicture(picture);
        if (s.readsResident()) {
            if (auto call = engine::plainCall(command.words)) {
                if (call->tessdataDir.isEmpty())
                    call->tessdataDir = s.dataFolder;
                if (!m_engine)
                    m_engine = std::make_unique<engine::ResidentEngine>(
                        engine::ResidentEngine::Threads::One);
                // The batch's stop ends a loaded engine's page as it ends a process.
                pipeline::ResidentStep step(*m_engine, *call, work, withLines,
                                            [&s] { return s.processes.stopped(); });
                page.reading = pipeline::read(step, {}, {}, s.settings.encoding);
                if (!step.notResident()) {
                    ++s.residentRuns;
                    page.lines = step.lines();
                    page.hasLines = withLines;
                    return page;
                }
            }
            // Nothing was read: this and every later picture go to processes.
            s.useProcesses(
                QCoreApplication::translate("batch", "a config the loaded engine cannot take"));
        }
        try {
            pipeline::writeWorkPicture(work, m_folder + QStringLiteral("/tmp.bmp"));
        } catch (const Failure& failure) {
            page.reading = {};
            page.reading.failed = true;
            page.reading.reason = failure.text();
            return page;
        }
        // A result found after the run can only be this run's.
        const QString output = m_folder + QStringLiteral("/tmp.txt");
        QFile::remove(output);
        pipeline::ProcessStep step(command.words, m_folder, output, &s.processes);
        page.reading = pipeline::read(step, {}, {}, s.settings.encoding);
        return page;
    }

private:
    std::shared_ptr<Shared> m_shared;
    const QString m_folder;
    std::unique_ptr<engine::ResidentEngine> m_engine;
};

PageReader::PageReader() : m_shared(std::make_shared<Shared>()) {}

// Each worker's loaded engine waits for its page and unloads.
PageReader::~PageReader() = default;

namespace {

// What is wrong with one engine command before anything runs: not one engine call, an engine
// not on PATH, a mode the engine lacks, a language not installed; "" when nothing is. program is
// the engine found.
QString commandProblem(const pipeline::CommandWords& command, const QString& workFolder,
                       const QProcessEnvironment& environment, QString& program) {
    if (!command.problem.isEmpty())
        return QCoreApplication::translate("batch",
                                           "the engine options are not one engine call: %1")
            .arg(command.problem);
    const QStringList& words = command.words;
    // The rule the window's runs follow for a loaded engine decides here too: a setting that
    // names a file, asks for another output or for debugging, or that the library keeps for
    // the whole process would, in an unattended batch of parallel engines, write one file from
    // every engine at once or nowhere the user looks, while the results look as asked.
    for (qsizetype i = 1; i + 1 < words.size(); ++i) {
        if (words[i] != QLatin1String("-c"))
            continue;
        const QString setting = words[i + 1];
        const qsizetype equals = setting.indexOf(QLatin1Char('='));
        if (equals < 0 || !engine::residentVariable(setting.left(equals), setting.mid(equals + 1)))
            return QCoreApplication::translate(
                       "batch", "the engine option -c %1 is not taken by the batch: it names a "
                                "file, asks for another output or for debugging, or the library "
                                "keeps it for the whole process (the window's run takes it "
                                "through tess.bat)")
                .arg(setting);
    }
    program = batchfile::findProgram(words.value(0), workFolder, environment);
    if (program.isEmpty())
        return QCoreApplication::translate(
                   "batch", "the recognition engine \"%1\" is not on PATH (Debian: apt-get "
                            "install tesseract-ocr)")
            .arg(words.value(0));

    const QString psm = optionValue(words, QStringLiteral("--psm"));
    bool number = false;
    const int mode = psm.toInt(&number);
    if (words.contains(QStringLiteral("--psm")) &&
        (!number || mode < kLowestPsm || mode > kHighestPsm))
        return QCoreApplication::translate(
                   "batch", "--psm %1: the engine has no such page segmentation mode (%2 to %3)")
            .arg(psm)
            .arg(kLowestPsm)
            .arg(kHighestPsm);

    QString dataFolder = optionValue(words, QStringLiteral("--tessdata-dir"));
    if (!dataFolder.isEmpty())
        dataFolder = QDir(workFolder).absoluteFilePath(dataFolder);
    const QStringList installed = installedLanguages(program, dataFolder);
    // An engine that cannot list its languages shows what it lacks when it reads the blank
    // picture below.
    if (!installed.isEmpty()) {
        const QString lang = optionValue(words, QStringLiteral("-l"));
        for (const QString& one : lang.split(QLatin1Char('+'), Qt::SkipEmptyParts))
            if (!installed.contains(one))
                return QCoreApplication::translate("batch",
                                                   "the language \"%1\" is not installed for %2%3 "
                                                   "(installed: %4)")
                    .arg(one, program,
                         dataFolder.isEmpty() ? QString()
                                              : QCoreApplication::translate(
                                                    "batch", " in the --tessdata-dir folder %1")
                                                    .arg(dataFolder),
                         installed.join(QStringLiteral(", ")));
    }
    return {};
}

} // namespace

QString PageReader::prepare(const Settings& settings, const QString& workFolder) {
    Shared& s = *m_shared;
    s.settings = settings;
    // "自動" reads each picture with one of two commands; both must work before the first
    // picture, or a batch of vertical pages would fail one by one.
    const QList<pipeline::EngineSettings> possible = pipeline::possibleSettings(settings.engine);
    QString program;
    bool plain = true;
    for (const pipeline::EngineSettings& one : possible) {
        const pipeline::CommandWords command =
            pipeline::engineWords(workFolder, one, s.environment);
        if (const QString problem = commandProblem(command, workFolder, s.environment, program);
            !problem.isEmpty())
            return problem;
        plain = plain && engine::plainCall(command.words).has_value();
    }

    if (!engine::ResidentEngine::enabledByEnvironment()) {
        s.useProcesses(QStringLiteral("QUILLPIX_ENGINE=batch"));
    } else if (!plain) {
        s.useProcesses(
            QCoreApplication::translate("batch", "the engine options are more than a plain call"));
    } else {
        const engine::Verdict verdict = engine::checkProgram(program, workFolder);
        if (verdict.same) {
            std::lock_guard lock(s.mutex);
            s.resident = true;
            s.processReason.clear();
            s.dataFolder = verdict.tessdataFolder;
        } else {
            s.useProcesses(verdict.reason);
        }
    }

    // Only a loaded engine tells where it read each character, which a searchable PDF needs.
    QStringList linesNeeded;
    for (const OutputFormat* format : formatsAsked(settings.outputs))
        if (format->needsLines())
            linesNeeded << format->option();
    if (!linesNeeded.isEmpty() && !s.readsResident())
        return QCoreApplication::translate(
                   "batch", "%1 needs the engine loaded in the program, as only it tells "
                            "where each character lies; these settings start an engine "
                            "process (%2)")
            .arg(linesNeeded.join(QLatin1Char(' ')), processReason());

    // A blank picture read once finds what only the engine knows (a language file it cannot
    // load, an option it refuses) before any picture is read; a loaded engine stays loaded.
    QImage blank(64, 32, QImage::Format_RGB32);
    blank.fill(Qt::white);
    m_first = std::make_unique<EngineWorker>(m_shared, workFolder);
    m_firstFolder = workFolder;
    for (const pipeline::EngineSettings& one : possible) {
        const pipeline::Reading trial = m_first->read(blank, one).reading;
        if (!trial.succeeded()) {
            s.residentRuns = 0;
            return QCoreApplication::translate("batch",
                                               "the engine does not read with these settings%1: %2")
                .arg(possible.size() > 1 ? QCoreApplication::translate("batch", " (-l %1 --psm %2)")
                                               .arg(one.lang, one.psm)
                                         : QString(),
                     trial.reason.isEmpty()
                         ? QCoreApplication::translate("batch", "it wrote no text")
                         : trial.reason);
        }
    }
    s.residentRuns = 0;
    return {};
}

std::unique_ptr<PageReader::Worker> PageReader::worker(const QString& workFolder) {
    if (m_first && workFolder == m_firstFolder)
        return std::move(m_first);
    return std::make_unique<EngineWorker>(m_shared, workFolder);
}

void PageReader::stop() {
    m_shared->processes.stopAll();
}

int PageReader::residentRuns() const {
    return m_shared->residentRuns.load();
}

QString PageReader::processReason() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->processReason;
}

} // namespace quillpix::folderbatch
