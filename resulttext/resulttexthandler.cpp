#include "resulttexthandler.h"

#include "display.h"
#include "failure.h"
#include "failurereport.h"
#include "platform.h"
#include "savetext.h"
#include "sounds.h"
#include "textfiles.h"
#include "widgets.h"

#include <QPushButton>
#include <QShortcut>

namespace quillpix {

ResultTextHandler::ResultTextHandler(const ResultTextControls& controls,
                                     const viewer::FileChoice& files, Platform& platform,
                                     const QString& soundFolder)
    : m_c(controls), m_files(files), m_platform(platform), m_soundFolder(soundFolder) {
    connect(m_c.cmdClear, &QPushButton::clicked, this, [this] { clear(); });
    connect(m_c.cmdUndo, &QPushButton::clicked, this, [this] { undo(); });
    connect(m_c.cmdSaveText, &QPushButton::clicked, this, [this] { save(); });
    connect(m_c.cmdOpenTextFile, &QPushButton::clicked, this, [this] { openSavedFile(); });
    // Fires for the program's changes too (a run appending, a saved result loaded).
    connect(m_c.txtResult, &QPlainTextEdit::textChanged, this, [this] { resultChanged(); });
    // Ctrl+S saves from anywhere in the window, as 保存 does when it can be pressed.
    auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), m_c.window);
    connect(save, &QShortcut::activated, m_c.cmdSaveText, &QPushButton::click);
}

void ResultTextHandler::clear() {
    emit clearing();
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
}

void ResultTextHandler::showSavedResult(const QString& text, bool hasSavedText) {
    forgetUndo();
    m_c.txtResult->setText(text);
    m_c.cmdOpenTextFile->setEnabled(hasSavedText);
}

void ResultTextHandler::refreshSavedFileState() {
    const viewer::ChosenFile chosen = m_files.chosenFile();
    m_c.cmdOpenTextFile->setEnabled(
        !chosen.name.isEmpty() &&
        textfiles::fileExists(textfiles::savedResultPath(chosen.folder, chosen.name, chosen.page)));
}

void ResultTextHandler::rememberForUndo() {
    m_undoText = m_c.txtResult->text();
    m_c.cmdUndo->setEnabled(true);
}

void ResultTextHandler::append(const QString& text) {
    // Read now: what the user typed during the wait stays.
    m_c.txtResult->setText(m_c.txtResult->text() + text);
    m_c.txtResult->moveCaretToEnd();
}

void ResultTextHandler::focus() {
    m_c.txtResult->setFocus();
}

void ResultTextHandler::undo() {
    m_c.txtResult->setText(m_undoText);
    m_c.txtResult->moveCaretToEnd();
    m_c.cmdUndo->setEnabled(false);
    m_c.txtResult->setFocus();
}

void ResultTextHandler::resultChanged() {
    // Once enabled the button stays enabled; save() itself refuses when no picture is chosen.
    // The document is asked directly: this runs on every keystroke.
    if (!m_c.txtResult->document()->isEmpty() && !m_files.chosenFile().name.isEmpty())
        m_c.cmdSaveText->setEnabled(true);
}

void ResultTextHandler::save() {
    runReportingFailures(m_platform, m_c.window, [&] {
        const viewer::ChosenFile chosen = m_files.chosenFile();
        const QString& name = chosen.name;
        // After a folder change nothing is chosen, and the name would be ".txt" alone: a hidden
        // file that no picture ever loads again.
        if (name.isEmpty())
            throw Failure(
                QStringLiteral("画像ファイルが選ばれていないので、認識結果を保存できません。\n"
                               "画像ファイルを選んでから保存してください。"));
        const QString path = textfiles::savedResultPath(chosen.folder, name, chosen.page);
        const QString text = m_c.txtResult->text();
        try {
            textfiles::writeBytes(savetext::savedBytes(text), path);
        } catch (const Failure& failure) {
            throw Failure(QStringLiteral("認識結果を保存できませんでした。以前に保存したファイルは"
                                         "変更していません。\n") +
                          failure.text());
        }
        const QString missing = savetext::unrepresentableCharacters(savetext::savedContent(text));
        if (!missing.isEmpty())
            m_platform.showMessage(
                QStringLiteral("認識結果を保存しました: %1\n"
                               "Shift-JIS で表せない文字は「?」に置き換えました: %2")
                    .arg(path, missing));
        playWav(m_platform, m_soundFolder, QStringLiteral("start.wav"));
        m_c.txtResult->setFocus();
    });
}

void ResultTextHandler::openSavedFile() {
    const viewer::ChosenFile chosen = m_files.chosenFile();
    const QString path = textfiles::savedResultPath(chosen.folder, chosen.name, chosen.page);
    if (textfiles::fileExists(path)) {
        if (!m_platform.shellOpen(path))
            m_platform.showMessage(openerMissingMessage(QStringLiteral("認識結果のファイル"),
                                                        QStringLiteral("テキストエディタ"), path));
    } else
        m_platform.showMessage(QStringLiteral("認識結果のファイルはまだ作成されていません。"));
}

} // namespace quillpix
