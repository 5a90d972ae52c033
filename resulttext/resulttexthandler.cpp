#include "resulttexthandler.h"

#include "display.h"
#include "failure.h"
#include "failurereport.h"
#include "platform.h"
#include "reflow.h"
#include "savetext.h"
#include "sounds.h"
#include "textfiles.h"
#include "widgets.h"
#include "writeplace.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>
#include <QTextDocumentFragment>

namespace quillpix {
namespace {

// The settings file's key for the guarded clean-up.
const QString kKeepLatinSpacesKey = QStringLiteral("cleanup/keepLatinSpaces");

} // namespace

ResultTextHandler::ResultTextHandler(const ResultTextControls& controls,
                                     const viewer::FileChoice& files, Platform& platform,
                                     const QString& soundFolder, const QString& settingsFolder)
    : m_c(controls), m_files(files), m_platform(platform), m_soundFolder(soundFolder),
      m_settings(settingsFolder) {
    // On the box's menu rather than as a control of their own: the window's controls keep
    // their places.
    m_joinParagraphs = new QAction(
        QCoreApplication::translate("resulttext", "行をつなげて段落にする"), m_c.txtResult);
    m_joinParagraphs->setObjectName(QStringLiteral("actJoinParagraphs"));
    connect(m_joinParagraphs, &QAction::triggered, this, [this] { joinParagraphs(); });
    m_keepLatinSpaces = new QAction(
        QCoreApplication::translate("resulttext", "認識時に英数字の前の空白と「.」を残す"),
        m_c.txtResult);
    m_keepLatinSpaces->setObjectName(QStringLiteral("actKeepLatinSpaces"));
    m_keepLatinSpaces->setCheckable(true);
    m_keepLatinSpaces->setChecked(m_settings.flag(kKeepLatinSpacesKey));
    connect(m_keepLatinSpaces, &QAction::toggled, this,
            [this](bool on) { m_settings.setFlag(kKeepLatinSpacesKey, on); });
    m_saveAs =
        new QAction(QCoreApplication::translate("resulttext", "名前を付けて保存…"), m_c.txtResult);
    m_saveAs->setObjectName(QStringLiteral("actSaveAs"));
    connect(m_saveAs, &QAction::triggered, this, [this] { saveAs(); });
    m_c.txtResult->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_c.txtResult, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) {
                QMenu* menu = contextMenu(position);
                menu->setAttribute(Qt::WA_DeleteOnClose);
                menu->popup(m_c.txtResult->viewport()->mapToGlobal(position));
            });
    connect(m_c.cmdClear, &QPushButton::clicked, this, [this] { clear(); });
    connect(m_c.cmdUndo, &QPushButton::clicked, this, [this] { undo(); });
    connect(m_c.cmdSaveText, &QPushButton::clicked, this, [this] { save(); });
    connect(m_c.cmdOpenTextFile, &QPushButton::clicked, this, [this] { openSavedFile(); });
    // Fires for the program's changes too (a run appending, a saved result loaded).
    connect(m_c.txtResult, &QPlainTextEdit::textChanged, this, [this] { resultChanged(); });
    // Ctrl+S saves from anywhere in the window, as 保存 does when it can be pressed.
    auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), m_c.window);
    connect(save, &QShortcut::activated, m_c.cmdSaveText, &QPushButton::click);
    // Save as needs no picture: the box's text can always be written somewhere.
    auto* saveAs = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), m_c.window);
    connect(saveAs, &QShortcut::activated, m_saveAs, &QAction::trigger);
    m_c.txtResult->installEventFilter(this);
}

bool ResultTextHandler::eventFilter(QObject* watched, QEvent* event) {
    // The editor pastes text only; a picture on its own would do nothing here.
    if (watched == m_c.txtResult && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        const ClipboardContent content = m_platform.clipboardContent();
        if (!content.picture.isNull() && !content.hasText) {
            emit picturePasteRequested();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ResultTextHandler::clear() {
    emit clearing();
    if (!m_c.txtResult->document()->isEmpty())
        setUnsaved(true);
    m_c.txtResult->setText(QString());
    m_c.txtResult->setFocus();
}

void ResultTextHandler::forgetUndo() {
    m_undoText.clear();
    m_c.cmdUndo->setEnabled(false);
}

void ResultTextHandler::clearText() {
    forgetUndo();
    m_c.txtResult->setText(QString());
    setUnsaved(false);
}

void ResultTextHandler::showSavedResult(const QString& text, bool hasSavedText) {
    forgetUndo();
    m_c.txtResult->setText(text);
    setUnsaved(false);
    m_c.cmdOpenTextFile->setEnabled(hasSavedText);
}

void ResultTextHandler::refreshSavedFileState() {
    const viewer::ChosenFile chosen = m_files.chosenFile();
    m_c.cmdOpenTextFile->setEnabled(!chosen.name.isEmpty() &&
                                    textfiles::isVisibleFile(textfiles::savedResultPath(
                                        chosen.folder, chosen.name, chosen.page)));
}

void ResultTextHandler::rememberForUndo() {
    m_undoText = m_c.txtResult->text();
    m_c.cmdUndo->setEnabled(true);
}

void ResultTextHandler::append(const QString& text) {
    // Read now: what the user typed during the wait stays.
    m_c.txtResult->setText(m_c.txtResult->text() + text);
    if (!text.isEmpty())
        setUnsaved(true);
    m_c.txtResult->moveCaretToEnd();
}

void ResultTextHandler::focus() {
    m_c.txtResult->setFocus();
}

cleanup::LatinSpacing ResultTextHandler::latinSpacing() const {
    return m_keepLatinSpaces->isChecked() ? cleanup::LatinSpacing::Kept
                                          : cleanup::LatinSpacing::AsWritten;
}

void ResultTextHandler::setKeepLatinSpaces(bool keep) {
    m_keepLatinSpaces->setChecked(keep);
}

QMenu* ResultTextHandler::contextMenu(const QPoint& position) {
    QMenu* menu = m_c.txtResult->createStandardContextMenu(position);
    menu->addSeparator();
    m_joinParagraphs->setEnabled(!m_c.txtResult->isReadOnly());
    menu->addAction(m_joinParagraphs);
    menu->addAction(m_keepLatinSpaces);
    menu->addSeparator();
    menu->addAction(m_saveAs);
    return menu;
}

void ResultTextHandler::joinParagraphs() {
    TextBox* box = m_c.txtResult;
    // A long text still moving in is read-only until it is complete.
    if (box->isReadOnly())
        return;
    QTextCursor cursor = box->textCursor();
    if (!cursor.hasSelection())
        cursor.select(QTextCursor::Document);
    const QString stored = textbox::fromEditor(cursor.selection().toRawText());
    const QString joined = reflow::joinedParagraphs(stored);
    if (joined == stored)
        return;
    cursor.beginEditBlock();
    cursor.insertText(textbox::toEditor(joined));
    cursor.endEditBlock();
    box->setTextCursor(cursor);
}

void ResultTextHandler::undo() {
    m_c.txtResult->setText(m_undoText);
    setUnsaved(true);
    m_c.txtResult->moveCaretToEnd();
    m_c.cmdUndo->setEnabled(false);
    m_c.txtResult->setFocus();
}

void ResultTextHandler::setUnsaved(bool unsaved) {
    if (unsaved == m_unsaved)
        return;
    m_unsaved = unsaved;
    emit unsavedChanged(unsaved);
}

bool ResultTextHandler::mayLeave() {
    if (!m_unsaved)
        return true;
    const viewer::ChosenFile chosen = m_files.chosenFile();
    QString question =
        QCoreApplication::translate("resulttext", "認識結果が保存されていません。保存しますか？");
    if (!chosen.name.isEmpty())
        question += QLatin1Char('\n') + chosen.folder + QLatin1Char('/') + chosen.name;
    switch (m_platform.askSave(question)) {
    case SaveAnswer::Save:
        return save();
    case SaveAnswer::Discard:
        // Given up: what follows replaces it without asking again.
        setUnsaved(false);
        return true;
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}

void ResultTextHandler::resultChanged() {
    // Loading a saved result or a run's text is marked where it happens; this is the user.
    if (!m_c.txtResult->settingText())
        setUnsaved(true);
    // Once enabled the button stays enabled; save() itself refuses when no picture is chosen.
    // The document is asked directly: this runs on every keystroke.
    if (!m_c.txtResult->document()->isEmpty() && !m_files.chosenFile().name.isEmpty())
        m_c.cmdSaveText->setEnabled(true);
}

bool ResultTextHandler::save() {
    bool saved = false;
    runReportingFailures(m_platform, m_c.window, [&] {
        const viewer::ChosenFile chosen = m_files.chosenFile();
        const QString& name = chosen.name;
        // After a folder change nothing is chosen, and the name would be ".txt" alone: a hidden
        // file that no picture ever loads again.
        if (name.isEmpty())
            throw Failure(QCoreApplication::translate(
                "resulttext", "画像ファイルが選ばれていないので、認識結果を保存できません。\n"
                              "画像ファイルを選んでから保存してください。"));
        const QString path = textfiles::savedResultPath(chosen.folder, name, chosen.page);
        writeResult(path, textfiles::TextEncoding::ShiftJis);
        saved = true;
        setUnsaved(false);
        playWav(m_platform, m_soundFolder, QStringLiteral("start.wav"));
        m_c.txtResult->setFocus();
        emit resultSaved(chosen.folder, name, chosen.page);
    });
    return saved;
}

void ResultTextHandler::writeResult(const QString& path, textfiles::TextEncoding encoding) {
    const QString text = m_c.txtResult->text();
    try {
        textfiles::writeBytes(savetext::savedBytes(text, encoding), path);
    } catch (const Failure& failure) {
        throw Failure(QCoreApplication::translate(
                          "resulttext", "認識結果を保存できませんでした。以前に保存したファイルは"
                                        "変更していません。\n") +
                      failure.text());
    }
    if (encoding != textfiles::TextEncoding::ShiftJis)
        return;
    const QString missing = savetext::unrepresentableCharacters(savetext::savedContent(text));
    if (!missing.isEmpty())
        m_platform.showMessage(
            QCoreApplication::translate("resulttext",
                                        "認識結果を保存しました: %1\n"
                                        "Shift-JIS で表せない文字は「?」に置き換えました: %2")
                .arg(path, missing));
}

bool ResultTextHandler::saveAs() {
    const viewer::ChosenFile chosen = m_files.chosenFile();
    const QString beside =
        chosen.name.isEmpty() ? QString()
                              : textfiles::savedResultPath(chosen.folder, chosen.name, chosen.page);
    const SaveTarget target =
        m_platform.chooseSaveTarget(beside.isEmpty() ? chosen.folder : beside);
    if (target.path.isEmpty())
        return false;
    bool saved = false;
    runReportingFailures(m_platform, m_c.window, [&] {
        // The dialog asked before replacing a file; a picture or anything else that is not text
        // is still never replaced by text.
        if (QFileInfo::exists(target.path) && !textfiles::holdsText(target.path))
            throw Failure(QCoreApplication::translate(
                              "resulttext", "%1 はテキストファイルではないので、認識結果で置き換え"
                                            "ません。ファイルはそのままです。")
                              .arg(target.path));
        writeResult(target.path, target.encoding);
        saved = true;
        playWav(m_platform, m_soundFolder, QStringLiteral("start.wav"));
        m_c.txtResult->setFocus();
        // Written over the picture's own result: that is the saved result now, and what is made
        // of it follows as after 保存.
        if (!beside.isEmpty() &&
            QFileInfo(target.path).canonicalFilePath() == QFileInfo(beside).canonicalFilePath()) {
            setUnsaved(false);
            m_c.cmdOpenTextFile->setEnabled(true);
            emit resultSaved(chosen.folder, chosen.name, chosen.page);
        }
    });
    return saved;
}

void ResultTextHandler::openSavedFile() {
    const viewer::ChosenFile chosen = m_files.chosenFile();
    const QString path = textfiles::savedResultPath(chosen.folder, chosen.name, chosen.page);
    if (textfiles::isVisibleFile(path)) {
        if (!m_platform.shellOpen(path))
            m_platform.showMessage(openerMissingMessage(
                QCoreApplication::translate("resulttext", "認識結果のファイル"),
                QCoreApplication::translate("resulttext", "テキストエディタ"), path));
    } else
        m_platform.showMessage(QCoreApplication::translate(
            "resulttext", "認識結果のファイルはまだ作成されていません。"));
}

} // namespace quillpix
