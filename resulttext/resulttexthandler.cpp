#include "resulttexthandler.h"

#include "boxpage.h"
#include "display.h"
#include "failure.h"
#include "failurereport.h"
#include "platform.h"
#include "reflow.h"
#include "resultmarks.h"
#include "savetext.h"
#include "sounds.h"
#include "textfiles.h"
#include "widgets.h"
#include "writeplace.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
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
// The settings file's key for saving in UTF-8 rather than Shift-JIS.
const QString kSaveUtf8Key = QStringLiteral("save/utf8");

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
    m_keepLatinSpaces = keptChoice(
        QCoreApplication::translate("resulttext", "認識時に英数字の前の空白と「.」を残す"),
        QStringLiteral("actKeepLatinSpaces"), kKeepLatinSpacesKey);
    m_saveUtf8 =
        keptChoice(QCoreApplication::translate(
                       "resulttext", "保存を UTF-8・LF にする（Shift-JIS・CR LF にしない）(&U)"),
                   QStringLiteral("actSaveUtf8"), kSaveUtf8Key);
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
    m_marks = new ResultMarks(m_c.txtResult);
    // Accepting a mark is kept by 保存 as the text is.
    connect(m_marks, &ResultMarks::accepted, this, [this] { setUnsaved(true); });
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
    m_marks->setPlaces({});
    m_c.txtResult->setFocus();
}

void ResultTextHandler::forgetUndo() {
    m_undoText.clear();
    m_c.cmdUndo->setEnabled(false);
}

void ResultTextHandler::clearText() {
    forgetUndo();
    m_c.txtResult->setText(QString());
    m_marks->setPlaces({});
    setUnsaved(false);
}

void ResultTextHandler::restore(const QString& text) {
    forgetUndo();
    m_c.txtResult->setText(text);
    m_marks->setPlaces({});
    setUnsaved(true);
    m_c.txtResult->moveCaretToEnd();
    if (!text.isEmpty() && !m_files.chosenFile().name.isEmpty())
        m_c.cmdSaveText->setEnabled(true);
}

void ResultTextHandler::showSavedResult(const QString& text, bool hasSavedText) {
    forgetUndo();
    m_c.txtResult->setText(text);
    m_marks->setPlaces(hasSavedText ? keptPlaces(text) : textplacing::BoxPlaces());
    setUnsaved(false);
    m_c.cmdOpenTextFile->setEnabled(hasSavedText);
}

void ResultTextHandler::refreshSavedFileState() {
    const viewer::ChosenFile chosen = m_files.chosenFile();
    const QString path = textfiles::savedResultPath(chosen.folder, chosen.name, chosen.page);
    const bool hasSavedText = !chosen.name.isEmpty() && textfiles::isVisibleFile(path);
    m_c.cmdOpenTextFile->setEnabled(hasSavedText);
    // Unsaved edits are the user's and stay; otherwise the box mirrors the file.
    if (!hasSavedText || m_unsaved)
        return;
    runReportingFailures(m_platform, [&] {
        const QString saved = textfiles::readSavedResult(path);
        if (saved != m_c.txtResult->text())
            showSavedResult(saved, true);
    });
}

void ResultTextHandler::rememberForUndo() {
    m_undoText = m_c.txtResult->text();
    m_undoPlaces = m_marks->places();
    m_c.cmdUndo->setEnabled(true);
}

void ResultTextHandler::append(const QString& text, const QList<enginelayout::Line>& lines) {
    // Read now: what the user typed during the wait stays, and so do its places.
    const QString before = m_c.txtResult->text();
    m_c.txtResult->setText(before + text);
    m_marks->addReading(before + text, before.size(), text, lines);
    if (!text.isEmpty())
        setUnsaved(true);
    m_c.txtResult->moveCaretToEnd();
    tellUnrepresentable(before, text);
}

void ResultTextHandler::tellUnrepresentable(const QString& before, const QString& appended) {
    // The box keeps what the engine read; a Shift-JIS file could not. Told now, while the user
    // looks at the text, and asked about again when saving.
    const QString missing = savetext::unrepresentableCharacters(appended);
    if (missing.isEmpty())
        return;
    // The run's text starts on the box's last line.
    const int firstLine = int(before.count(QLatin1Char('\n'))) + 1;
    QStringList lines;
    for (int line : savetext::linesWithUnrepresentable(before + appended))
        if (line >= firstLine)
            lines << QString::number(line);
    constexpr qsizetype kNamedLines = 5;
    if (lines.size() > kNamedLines) {
        lines.resize(kNamedLines);
        lines << QStringLiteral("…");
    }
    m_platform.showNotice(QCoreApplication::translate(
                              "resulttext", "Shift-JIS にない文字を読み取りました: %1（%2 行目）\n"
                                            "保存するときは UTF-8 を選ぶと、そのまま残ります。")
                              .arg(missing, lines.join(QStringLiteral(", "))));
}

void ResultTextHandler::focus() {
    m_c.txtResult->setFocus();
}

cleanup::LatinSpacing ResultTextHandler::latinSpacing() const {
    return m_keepLatinSpaces->isChecked() ? cleanup::LatinSpacing::Kept
                                          : cleanup::LatinSpacing::AsWritten;
}

QAction* ResultTextHandler::keptChoice(const QString& caption, const QString& name,
                                       const QString& key) {
    auto* action = new QAction(caption, m_c.txtResult);
    action->setObjectName(name);
    action->setCheckable(true);
    action->setChecked(m_settings.flag(key));
    connect(action, &QAction::toggled, this, [this, key](bool on) {
        // Not kept: the choice holds for this run all the same.
        if (m_settings.setFlag(key, on))
            return;
        const QString message = textfiles::unkeptSettingsMessage(m_settings);
        if (!message.isEmpty())
            m_platform.showMessage(message);
    });
    return action;
}

textfiles::TextEncoding ResultTextHandler::saveEncoding() const {
    return m_saveUtf8->isChecked() ? textfiles::TextEncoding::Utf8
                                   : textfiles::TextEncoding::ShiftJis;
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
    menu->addAction(m_saveUtf8);
    menu->addSeparator();
    menu->addAction(m_saveAs);
    m_marks->addToMenu(menu, position);
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
    // The box reports the join as one change over the whole selection; the characters the
    // join keeps keep their places and marks, moved as the joints before them went.
    textplacing::BoxPlaces places = m_marks->places();
    const QString editorJoined = textbox::toEditor(joined);
    for (const reflow::Replacement& r :
         reflow::changedStretches(textbox::toEditor(stored), editorJoined))
        places.edited(cursor.selectionStart() + r.at, r.removed, r.added);
    cursor.beginEditBlock();
    cursor.insertText(editorJoined);
    cursor.endEditBlock();
    m_marks->setPlaces(places);
    box->setTextCursor(cursor);
}

void ResultTextHandler::undo() {
    m_c.txtResult->setText(m_undoText);
    m_marks->setPlaces(m_undoPlaces);
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
    runReportingFailures(m_platform, [&] {
        const viewer::ChosenFile chosen = m_files.chosenFile();
        const QString& name = chosen.name;
        // After a folder change nothing is chosen, and the name would be ".txt" alone: a hidden
        // file that no picture ever loads again.
        if (name.isEmpty())
            throw Failure(QCoreApplication::translate(
                "resulttext", "画像ファイルが選ばれていないので、認識結果を保存できません。\n"
                              "画像ファイルを選んでから保存してください。"));
        const QString path = textfiles::savedResultPath(chosen.folder, name, chosen.page);
        // The encoding chosen, except that a result in UTF-8 (a folder batch's --encoding
        // utf-8, a UTF-8 copy written over it) stays UTF-8: nothing is lost either way.
        const textfiles::TextEncoding chosenEncoding = saveEncoding();
        const std::optional<textfiles::TextEncoding> encoding = encodingToWrite(
            path, textfiles::encodingOf(path, chosenEncoding) == textfiles::TextEncoding::Utf8
                      ? textfiles::TextEncoding::Utf8
                      : chosenEncoding);
        if (!encoding)
            return;
        writeResult(path, *encoding);
        writePlaces(path);
        saved = true;
        setUnsaved(false);
        playWav(m_platform, m_soundFolder, QStringLiteral("start.wav"));
        m_c.txtResult->setFocus();
        emit resultSaved(chosen.folder, name, chosen.page);
    });
    return saved;
}

std::optional<textfiles::TextEncoding>
ResultTextHandler::encodingToWrite(const QString& path, textfiles::TextEncoding encoding) {
    if (encoding != textfiles::TextEncoding::ShiftJis)
        return encoding;
    const QString missing =
        savetext::unrepresentableCharacters(savetext::savedContent(m_c.txtResult->text()));
    if (missing.isEmpty())
        return encoding;
    // Asked before anything is written: the file on the disk stays as it is until the user
    // has chosen, and a cancel leaves the box unsaved.
    const QString question =
        QCoreApplication::translate("resulttext",
                                    "Shift-JIS で表せない文字があります: %1\n%2\n\n"
                                    "UTF-8 で保存すると、すべての文字がそのまま残ります。\n"
                                    "Shift-JIS で保存すると、これらの文字は「?」に置き換わります。")
            .arg(missing, path);
    switch (m_platform.askChoice(
        question, {QCoreApplication::translate("resulttext", "UTF-8 で保存"),
                   QCoreApplication::translate("resulttext", "「?」にして Shift-JIS で保存"),
                   QCoreApplication::translate("resulttext", "キャンセル")})) {
    case 0:
        return textfiles::TextEncoding::Utf8;
    case 1:
        return textfiles::TextEncoding::ShiftJis;
    default:
        return std::nullopt;
    }
}

void ResultTextHandler::writeResult(const QString& path, textfiles::TextEncoding encoding) {
    try {
        textfiles::writeBytes(savetext::savedBytes(m_c.txtResult->text(), encoding), path);
    } catch (const Failure& failure) {
        throw Failure(QCoreApplication::translate(
                          "resulttext", "認識結果を保存できませんでした。以前に保存したファイルは"
                                        "変更していません。\n") +
                      failure.text());
    }
}

namespace {

// Whether the box's places, up to the last at position last, fit text read back from the file
// written: the same characters before them, a line break counting as one whatever it is.
bool placesFit(const QString& box, const QString& readBack, qsizetype last) {
    const auto breaksAlike = [](QString editor) {
        editor.replace(QChar::LineSeparator, QChar::ParagraphSeparator);
        return editor;
    };
    const QString a = breaksAlike(textbox::toEditor(box));
    const QString b = breaksAlike(textbox::toEditor(readBack));
    return a.size() > last && b.size() > last &&
           QStringView(a).left(last + 1) == QStringView(b).left(last + 1);
}

} // namespace

void ResultTextHandler::writePlaces(const QString& resultPath) {
    const QString path = textplacing::placesPath(resultPath);
    const textplacing::BoxPlaces& places = m_marks->places();
    try {
        if (!places.isEmpty()) {
            const QString readBack = textfiles::readSavedResult(resultPath);
            if (placesFit(m_c.txtResult->text(), readBack, places.places().last().at)) {
                textfiles::writeBytes(places.toBytes(readBack), path);
                return;
            }
        }
        if (QFileInfo::exists(path) && !QFile::remove(path))
            throw Failure(path);
    } catch (const Failure& failure) {
        m_platform.showNotice(
            QCoreApplication::translate("resulttext",
                                        "認識結果は保存しましたが、要確認の印を保存できません"
                                        "でした。\n") +
            failure.text());
    }
}

textplacing::BoxPlaces ResultTextHandler::keptPlaces(const QString& text) const {
    const viewer::ChosenFile chosen = m_files.chosenFile();
    if (chosen.name.isEmpty())
        return {};
    const QString path = textplacing::placesPath(
        textfiles::savedResultPath(chosen.folder, chosen.name, chosen.page));
    if (!textfiles::isVisibleFile(path))
        return {};
    try {
        return textplacing::BoxPlaces::fromBytes(textfiles::readBytes(path), text);
    } catch (const Failure&) {
        // Places that cannot be read are only marks gone; the text is all there.
        return {};
    }
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
    runReportingFailures(m_platform, [&] {
        // The dialog asked before replacing a file; a picture or anything else that is not text
        // is still never replaced by text.
        if (QFileInfo::exists(target.path) && !textfiles::holdsText(target.path))
            throw Failure(QCoreApplication::translate(
                              "resulttext", "%1 はテキストファイルではないので、認識結果で置き換え"
                                            "ません。ファイルはそのままです。")
                              .arg(target.path));
        if (target.hocr) {
            // The picture's name as the result box knows it; a page of a document is its page.
            const QString picture = chosen.page < 0 || chosen.name.isEmpty()
                                        ? chosen.name
                                        : chosen.name + QStringLiteral(".p%1").arg(chosen.page + 1);
            const layoutxml::PageText page =
                layoutxml::pageOfBox(picture, m_pictureSize ? m_pictureSize() : QSize(),
                                     m_c.txtResult->text(), m_marks->places());
            try {
                textfiles::writeBytes(layoutxml::hocr({page}), target.path);
            } catch (const Failure& failure) {
                throw Failure(QCoreApplication::translate(
                                  "resulttext", "認識結果を保存できませんでした。以前に保存した"
                                                "ファイルは変更していません。\n") +
                              failure.text());
            }
            saved = true;
            playWav(m_platform, m_soundFolder, QStringLiteral("start.wav"));
            m_c.txtResult->setFocus();
            return;
        }
        const std::optional<textfiles::TextEncoding> encoding =
            encodingToWrite(target.path, target.encoding);
        if (!encoding)
            return;
        writeResult(target.path, *encoding);
        saved = true;
        playWav(m_platform, m_soundFolder, QStringLiteral("start.wav"));
        m_c.txtResult->setFocus();
        // Written over the picture's own result: that is the saved result now, and what is made
        // of it follows as after 保存.
        if (!beside.isEmpty() &&
            QFileInfo(target.path).canonicalFilePath() == QFileInfo(beside).canonicalFilePath()) {
            writePlaces(beside);
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
