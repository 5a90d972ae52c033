#include "recognitionhandler.h"

#include "automatic.h"
#include "batchfilestep.h"
#include "commandline.h"
#include "enginechoice.h"
#include "enginesteps.h"
#include "failure.h"
#include "failurereport.h"
#include "reading.h"
#include "resultbox.h"
#include "runprogress.h"
#include "runstate.h"
#include "selectedregion.h"
#include "sounds.h"
#include "textfiles.h"
#include "widgets.h"
#include "workfolder.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <algorithm>

namespace quillpix {
namespace {

// Long enough for arrow keys walking through a list, short beside choosing a picture and
// dragging a selection.
constexpr int kPrepareDelayMs = 300;

} // namespace

RecognitionHandler::RecognitionHandler(const RecognitionControls& controls,
                                       selection::SelectedRegion& region,
                                       resulttext::ResultBox& resultBox,
                                       const options::EngineChoices& choices, RunState& runState,
                                       Platform& platform, const Folders& folders)
    : m_c(controls), m_region(region), m_resultBox(resultBox), m_choices(choices),
      m_runState(runState), m_platform(platform), m_folders(folders) {
    // A long run says how far it has come, whichever way it was started.
    new recognition::RunProgress(m_runState, m_c.window);
    connect(m_c.cmdRecognize, &QPushButton::clicked, this, &RecognitionHandler::onRecognizeClicked);
    connect(m_c.cmdDirect, &QPushButton::clicked, this, &RecognitionHandler::onDirectClicked);
    // Whoever changes the command, the user or a run, the button follows.
    connect(m_c.txtBat, &LineTextBox::storedTextChanged, this,
            [this](const QString& text) { m_c.cmdDirect->setEnabled(!text.isEmpty()); });
    m_prepareTimer = new QTimer(this);
    m_prepareTimer->setSingleShot(true);
    m_prepareTimer->setInterval(kPrepareDelayMs);
    connect(m_prepareTimer, &QTimer::timeout, this, &RecognitionHandler::prepareEngine);
    // Ctrl+Enter anywhere in the window, text boxes included, presses the button when it can
    // be pressed.
    for (const QKeySequence& key :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, m_c.window);
        connect(shortcut, &QShortcut::activated, m_c.cmdRecognize, &QPushButton::click);
    }
    // Esc stops the run under way; at any other time the key is left to whoever wants it.
    auto* stop = new QAction(QCoreApplication::translate("recognition", "認識を中止"), m_c.window);
    stop->setObjectName(QStringLiteral("actStopRun"));
    stop->setShortcut(QKeySequence(Qt::Key_Escape));
    stop->setShortcutContext(Qt::WindowShortcut);
    stop->setEnabled(false);
    m_c.window->addAction(stop);
    connect(stop, &QAction::triggered, this, [this] { m_runState.requestStop(); });
    connect(&m_runState, &RunState::started, stop, [stop] { stop->setEnabled(true); });
    connect(&m_runState, &RunState::ended, stop, [stop] { stop->setEnabled(false); });
}

bool RecognitionHandler::stoppedByUser(RunState::Run& run) {
    if (!run.stopRequested())
        return false;
    run.waitingEnds();
    m_platform.showNotice(stoppedNotice());
    return true;
}

QString RecognitionHandler::stoppedNotice() {
    return QCoreApplication::translate("recognition", "認識を中止しました。結果欄はそのままです。");
}

QString RecognitionHandler::missingResultMessage() {
    return QCoreApplication::translate(
        "recognition", "文字認識結果ファイルができていません。Tessがエラー終了したようです。");
}

QString RecognitionHandler::engineFailedMessage() {
    return QCoreApplication::translate(
        "recognition",
        "Tessがエラー終了しました。書きかけの文字認識結果は結果欄に加えていません。");
}

QString RecognitionHandler::busyMessage() {
    return QCoreApplication::translate(
        "recognition",
        "文字認識を実行中です。\n実行中の文字認識が終わってから、もう一度押してください。");
}

QString RecognitionHandler::selectionTooSmallMessage() {
    return QCoreApplication::translate("recognition",
                                       "選択範囲が小さすぎて、文字認識する画像ができません。\n"
                                       "もう少し大きく範囲を選択してください。");
}

RecognitionHandler::~RecognitionHandler() = default;

void RecognitionHandler::setSelectionMade(bool made) {
    m_c.cmdRecognize->setEnabled(made);
}

void RecognitionHandler::clearCommand() {
    m_prepareDirectRuns = false;
    m_c.txtBat->setText(QString());
}

QString RecognitionHandler::programFile(const QString& name) const {
    return m_folders.program + QLatin1Char('/') + name;
}

pipeline::EngineSettings RecognitionHandler::chosenSettings() const {
    const options::EngineChoice items = m_choices.chosenItems();
    return pipeline::settingsOfItems(items.langItem, items.psmItem, items.optionItem);
}

void RecognitionHandler::prepareEngine() {
    const pipeline::EngineSettings settings = chosenSettings();
    if (settings.lang.isEmpty())
        return;
    const QString command = pipeline::commandFor(m_folders.program, settings);
    // Such a command is refused when it runs.
    if (!pipeline::unwritableCommandMessage(command).isEmpty())
        return;
    m_platform.prepareEngine(command, programFile(QStringLiteral("tess.bat")));
}

void RecognitionHandler::prepareEngineSoon() {
    if (m_c.window->isVisible())
        m_prepareTimer->start();
}

bool RecognitionHandler::refuseWhileRunning() {
    return m_runState.refuse(m_platform, busyMessage());
}

void RecognitionHandler::onRecognizeClicked() {
    if (refuseWhileRunning())
        return;
    runReportingFailures(m_platform, [this] {
        RunState::Run run(m_runState, m_c.window);
        recognize(run);
    });
}

std::optional<QString> RecognitionHandler::readPicture(const QImage& picture) {
    if (refuseWhileRunning())
        return std::nullopt;
    std::optional<QString> text;
    runReportingFailures(m_platform, [&] {
        RunState::Run run(m_runState, m_c.window);
        text = recognize(run, picture);
    });
    return text;
}

void RecognitionHandler::recognizeSelection() {
    if (m_c.cmdRecognize->isEnabled())
        onRecognizeClicked();
}

void RecognitionHandler::onDirectClicked() {
    if (m_c.txtBat->text().isEmpty())
        return;
    if (refuseWhileRunning())
        return;
    runReportingFailures(m_platform, [this] {
        RunState::Run run(m_runState, m_c.window);
        runDirect(run);
    });
}

QImage RecognitionHandler::startRun(const std::optional<QImage>& picture) {
    m_resultBox.rememberForUndo();

    QImage crop = picture ? *picture : m_region.cropForRun();
    // The engine would read an empty picture and answer with nothing.
    if (crop.width() <= 0 || crop.height() <= 0)
        throw Failure(selectionTooSmallMessage());
    return crop;
}

void RecognitionHandler::showSent(const recognition::SentRun& sent) {
    // The preview shows exactly what goes to the engine.
    if (!sent.sentPicture.isNull())
        m_region.showSentPicture(sent.sentPicture);
    // The list says 自動 while the command names a mode: the reason is shown on the command.
    m_c.txtBat->setToolTip(sent.explanation);
    if (!sent.command.isEmpty() && sent.command != m_c.txtBat->text()) {
        m_c.txtBat->setText(sent.command);
        m_c.txtBat->repaint();
    }
    if (!sent.problem.isEmpty())
        throw Failure(sent.problem);
}

pipeline::Reading RecognitionHandler::readSent(WindowStyle style, QList<enginelayout::Line>& lines,
                                               size_t part, size_t parts) {
    pipeline::TextRules rules;
    rules.latin = m_resultBox.latinSpacing();
    return recognition::readSentRun(
        m_platform, m_folders.program, style, rules, &lines,
        [this] { return m_runState.stopRequested(); },
        [this, part, parts](int percent) {
            m_runState.setProgress(recognition::RunProgress::ofRun(part, parts, percent));
        });
}

QList<enginelayout::Line>
RecognitionHandler::linesOnShown(QList<enginelayout::Line> lines,
                                 const std::optional<QImage>& picture) const {
    const QPoint origin = m_region.cropOrigin();
    return enginelayout::withBoxesMoved(std::move(lines), [&](const QRect& box) {
        return picture ? QRect() : box.translated(origin);
    });
}

bool RecognitionHandler::reportFailedRun(RunState::Run& run, const pipeline::Reading& reading) {
    if (reading.succeeded())
        return false;
    // Stopped by the user: nothing went wrong, and nothing is added.
    if (reading.reason == pipeline::readingStopped() && stoppedByUser(run))
        return true;
    // An engine that failed after it began its result leaves a file that is empty or cut
    // short: that text is not the picture's.
    QString message = reading.written ? engineFailedMessage() : missingResultMessage();
    if (!reading.reason.isEmpty())
        message += QLatin1Char('\n') + reading.reason;
    m_platform.showMessage(message);
    playWav(m_platform, m_folders.parent, QStringLiteral("notify.wav"));
    run.waitingEnds();
    return true;
}

std::optional<QString> RecognitionHandler::recognize(RunState::Run& run,
                                                     const std::optional<QImage>& picture) {
    const QImage crop = startRun(picture);
    const pipeline::EngineSettings settings = chosenSettings();
    // "自動": the command and tmp.bmp are what the picture asked for, so 実行 repeats the run.
    m_prepareDirectRuns = pipeline::isAutomatic(settings);
    // A page of text regions is read region by region, a spread page by page; the preview
    // shows each as it goes.
    // The analysis runs beside the window, which repaints and answers Esc meanwhile.
    const recognition::PlannedRuns runs =
        run.aside([&crop, &settings] { return recognition::planRuns(crop, settings); });
    if (stoppedByUser(run))
        return std::nullopt;
    QList<pipeline::Reading> readings;
    QList<enginelayout::Line> lines;
    // A plan that failed has no reads: its first run shows the problem and sends nothing.
    const size_t count = std::max<size_t>(runs.reads.size(), 1);
    for (size_t k = 0; k < count; ++k) {
        showSent(recognition::sendPlannedRun(m_folders.program, runs, k));
        QList<enginelayout::Line> read;
        readings << readSent(recognition::windowStyleFor(settings.option), read, k, count);
        if (reportFailedRun(run, readings.back()))
            return std::nullopt;
        if (k < runs.reads.size())
            enginelayout::appendLines(
                lines, pipeline::linesOnPicture(std::move(read), runs.prepared, runs.reads[k].page,
                                                runs.reads[k].region));
    }
    const pipeline::Reading reading = pipeline::joinedReads(runs.reads, readings);
    m_resultBox.append(reading.boxText, linesOnShown(std::move(lines), picture));
    run.waitingEnds();
    // Blank output plays no sound.
    if (reading.anyVisible())
        playWav(m_platform, m_folders.parent, QStringLiteral("start.wav"));
    m_resultBox.focus();
    return reading.boxText;
}

void RecognitionHandler::runDirect(RunState::Run& run) {
    const QImage crop = startRun();
    // As the user left it: no option list is read. After a "自動" run the selection is prepared
    // as that run prepared it (the same pixels for the same selection), whatever the command
    // now says.
    const QString command = m_c.txtBat->text();
    const recognition::SentRun sent =
        run.aside([folder = m_folders.program, automatic = m_prepareDirectRuns, &crop, &command] {
            return recognition::sendCommand(folder, crop, automatic, command);
        });
    if (stoppedByUser(run))
        return;
    showSent(sent);
    QList<enginelayout::Line> lines;
    const pipeline::Reading reading = readSent(recognition::windowStyleFor(command), lines);

    if (reportFailedRun(run, reading))
        return;
    m_resultBox.append(
        reading.boxText,
        linesOnShown(pipeline::linesOnPicture(std::move(lines), sent.prepared), std::nullopt));
    playWav(m_platform, m_folders.parent, QStringLiteral("start.wav"));
    m_resultBox.focus();
    // The pointer goes back as the run ends, after the focus.
}

} // namespace quillpix
