#include "recognitionhandler.h"

#include "automatic.h"
#include "batchfilestep.h"
#include "commandline.h"
#include "enginechoice.h"
#include "failure.h"
#include "failurereport.h"
#include "reading.h"
#include "resultbox.h"
#include "runstate.h"
#include "selectedregion.h"
#include "sounds.h"
#include "textfiles.h"
#include "widgets.h"
#include "workpicture.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

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
}

QString RecognitionHandler::missingResultMessage() {
    return QStringLiteral("文字認識結果ファイルができていません。Tessがエラー終了したようです。");
}

QString RecognitionHandler::busyMessage() {
    return QStringLiteral(
        "文字認識を実行中です。\n実行中の文字認識が終わってから、もう一度押してください。");
}

QString RecognitionHandler::selectionTooSmallMessage() {
    return QStringLiteral("選択範囲が小さすぎて、文字認識する画像ができません。\n"
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

void RecognitionHandler::prepareEngine() {
    const options::EngineChoice items = m_choices.chosenItems();
    if (items.langItem.isEmpty())
        return;
    const QString command =
        pipeline::buildCommandLine(m_folders.program, pipeline::itemValue(items.psmItem),
                                   items.langItem, pipeline::optionForBatch(items.optionItem));
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
    const RunState::Run run(m_runState);
    runReportingFailures(m_platform, m_c.window, [this] { recognize(); });
}

std::optional<QString> RecognitionHandler::readPicture(const QImage& picture) {
    if (refuseWhileRunning())
        return std::nullopt;
    const RunState::Run run(m_runState);
    std::optional<QString> text;
    runReportingFailures(m_platform, m_c.window, [&] { text = recognize(picture); });
    return text;
}

void RecognitionHandler::onDirectClicked() {
    if (m_c.txtBat->text().isEmpty())
        return;
    if (refuseWhileRunning())
        return;
    const RunState::Run run(m_runState);
    runReportingFailures(m_platform, m_c.window, [this] { runDirect(); });
}

QImage RecognitionHandler::startRun(const std::optional<QImage>& picture) {
    m_c.window->setCursor(Qt::WaitCursor);
    m_resultBox.rememberForUndo();

    QImage crop = picture ? *picture : m_region.cropForRun();
    // The engine would read an empty picture and answer with nothing.
    if (crop.width() <= 0 || crop.height() <= 0)
        throw Failure(selectionTooSmallMessage());
    return crop;
}

void RecognitionHandler::writeWorkBitmap(const QImage& picture) {
    const QString bitmap = programFile(QStringLiteral("tmp.bmp"));
    pipeline::writeWorkPicture(picture, bitmap);
    // The preview shows exactly what goes to the engine.
    const QImage written(bitmap, "BMP");
    if (written.isNull())
        throw Failure(QStringLiteral("作業用の画像ファイルを読めません: %1").arg(bitmap));
    m_region.showSentPicture(written);
}

void RecognitionHandler::writeBatch(const QString& command) {
    // A "?" in place of a path's character would send the engine to another file.
    const QString unwritable = pipeline::unwritableCommandMessage(command);
    if (!unwritable.isEmpty())
        throw Failure(unwritable);
    // The command may hold CR LF, which gives further lines.
    textfiles::writeLines({command}, programFile(QStringLiteral("tess.bat")),
                          textfiles::Durability::WorkFile);
}

void RecognitionHandler::deleteOldResult() {
    const QString result = programFile(QStringLiteral("tmp.txt"));
    // The engine could never write its result there, and the user would be told it failed.
    if (QFileInfo(result).isDir())
        throw Failure(QStringLiteral("文字認識結果ファイルの場所にフォルダがあります。"
                                     "このフォルダを移すか名前を変えてください: %1")
                          .arg(result));
    if (textfiles::isVisibleFile(result) && !QFile::remove(result))
        throw Failure(QStringLiteral("前回の文字認識結果ファイルを削除できません: %1").arg(result));
}

pipeline::Reading RecognitionHandler::runBatchAndRead(WindowStyle style) {
    pipeline::BatchFileStep engine(m_platform, programFile(QStringLiteral("tess.bat")),
                                   programFile(QStringLiteral("tmp.txt")), style);
    pipeline::TextRules rules;
    rules.latin = m_resultBox.latinSpacing();
    return pipeline::read(engine, programFile(QStringLiteral("tmp_sjis.txt")), rules);
}

bool RecognitionHandler::reportMissingResult(const pipeline::Reading& reading) {
    if (reading.written)
        return false;
    QString message = missingResultMessage();
    if (!reading.reason.isEmpty())
        message += QLatin1Char('\n') + reading.reason;
    m_platform.showMessage(message);
    playWav(m_platform, m_folders.parent, QStringLiteral("notify.wav"));
    m_c.window->unsetCursor();
    return true;
}

std::optional<QString> RecognitionHandler::recognize(const std::optional<QImage>& picture) {
    const QImage crop = startRun(picture);
    const options::EngineChoice items = m_choices.chosenItems();
    pipeline::EngineSettings settings{items.langItem, pipeline::itemValue(items.psmItem),
                                      items.optionItem};
    // "自動": the command and tmp.bmp are what the picture asked for, so 実行 repeats the run.
    m_prepareDirectRuns = pipeline::isAutomatic(settings);
    const pipeline::PreparedPicture prepared = pipeline::prepare(crop, settings);
    settings = prepared.settings;
    writeWorkBitmap(prepared.picture);

    const QString opt = pipeline::optionForBatch(settings.option);
    const QString command =
        pipeline::buildCommandLine(m_folders.program, settings.psm, settings.lang, opt);
    writeBatch(command);
    m_c.txtBat->setText(command);
    m_c.txtBat->repaint();
    deleteOldResult();
    const pipeline::Reading reading = runBatchAndRead(pipeline::windowStyleFor(opt));

    if (reportMissingResult(reading))
        return std::nullopt;
    m_resultBox.append(reading.boxText);
    m_c.window->unsetCursor();
    // Blank output plays no sound.
    if (reading.anyVisible())
        playWav(m_platform, m_folders.parent, QStringLiteral("start.wav"));
    m_resultBox.focus();
    return reading.boxText;
}

void RecognitionHandler::runDirect() {
    const QImage crop = startRun();
    // After a "自動" run the selection is prepared as that run prepared it (the same pixels for
    // the same selection), whatever the command now says.
    writeWorkBitmap(
        pipeline::prepare(crop,
                          {m_prepareDirectRuns ? pipeline::automaticLanguage() : QString(), {}, {}})
            .picture);

    // As the user left it: no option list is read and txtBat is not rewritten.
    const QString command = m_c.txtBat->text();
    writeBatch(command);
    deleteOldResult();
    const pipeline::Reading reading = runBatchAndRead(pipeline::windowStyleFor(command));

    if (reportMissingResult(reading))
        return;
    m_resultBox.append(reading.boxText);
    playWav(m_platform, m_folders.parent, QStringLiteral("start.wav"));
    m_resultBox.focus();
    m_c.window->unsetCursor();
}

} // namespace quillpix
