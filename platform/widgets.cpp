#include "widgets.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <memory>

namespace quillpix {

ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {
    setRange(0, 0);
}

void ScrollBar::setLogicalMaximum(int maximum) {
    m_logicalMaximum = maximum;
    setRange(0, std::max(0, maximum));
}

namespace textbox {

constexpr QChar kLoneCrMark(0x200B);
constexpr QChar kLoneLf(QChar::LineSeparator);
constexpr QChar kCrSymbol(0x240D);
constexpr QChar kLfSymbol(0x240A);

QString toEditor(const QString& stored) {
    QString out;
    out.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QChar c = stored[i];
        if (c == u'\r' && i + 1 < stored.size() && stored[i + 1] == u'\n') {
            out += QChar::ParagraphSeparator;
            ++i;
        } else if (c == u'\r') {
            out += kLoneCrMark;
        } else if (c == u'\n') {
            out += kLoneLf;
        } else {
            out += c;
        }
    }
    return out;
}

QString fromEditor(const QString& editor) {
    QString out;
    out.reserve(editor.size() + editor.size() / 8);
    for (QChar c : editor) {
        if (c == QChar::ParagraphSeparator || c == u'\n')
            out += QStringLiteral("\r\n");
        else if (c == kLoneCrMark)
            out += u'\r';
        else if (c == kLoneLf)
            out += u'\n';
        else
            out += c;
    }
    return out;
}

QString toLineEditor(const QString& stored) {
    QString out = stored;
    out.replace(u'\r', kCrSymbol);
    out.replace(u'\n', kLfSymbol);
    return out;
}

QString fromLineEditor(const QString& editor) {
    QString out = editor;
    out.replace(kCrSymbol, u'\r');
    out.replace(kLfSymbol, u'\n');
    return out;
}

} // namespace textbox

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_fill.setInterval(0);
    connect(&m_fill, &QTimer::timeout, this, [this] { appendPiece(); });
}

QString TextBox::text() const {
    // Reading the text is not an edit: moving the rest of a long text in only completes it.
    const_cast<TextBox*>(this)->finishLoading();
    return textbox::fromEditor(document()->toRawText());
}

namespace {

// Where the piece starting at from ends: after the last paragraph break within the piece size,
// else at the size itself (never between the two halves of a surrogate pair).
qsizetype pieceEnd(const QString& editor, qsizetype from) {
    qsizetype end = from + TextBox::kPieceSize;
    if (end >= editor.size())
        return editor.size();
    const qsizetype brk =
        QStringView(editor).mid(from, end - from).lastIndexOf(QChar::ParagraphSeparator);
    if (brk >= 0)
        return from + brk + 1;
    if (editor[end - 1].isHighSurrogate())
        --end;
    return end;
}

// Appends to the document without an undo step: the text was set, not typed.
void appendToDocument(QTextDocument* document, QStringView piece) {
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(piece.toString());
    document->setUndoRedoEnabled(undo);
}

} // namespace

void TextBox::setText(const QString& text) {
    const QScopedValueRollback setting(m_setting, true);
    stopLoading();
    QString editor = textbox::toEditor(text);
    const qsizetype first = pieceEnd(editor, 0);
    // setPlainText treats U+2029 as a paragraph break, as the editor itself does.
    setPlainText(first == editor.size() ? editor : editor.left(first));
    if (first == editor.size())
        return;
    m_pending = std::move(editor);
    m_pendingFrom = first;
    m_readOnlyBefore = isReadOnly();
    setReadOnly(true);
    m_fill.start();
}

void TextBox::appendPiece() {
    if (!isLoading())
        return stopLoading();
    const QScopedValueRollback setting(m_setting, true);
    const qsizetype end = pieceEnd(m_pending, m_pendingFrom);
    const QStringView piece = QStringView(m_pending).mid(m_pendingFrom, end - m_pendingFrom);
    m_pendingFrom = end;
    appendToDocument(document(), piece);
    if (!isLoading())
        stopLoading();
}

void TextBox::finishLoading() {
    if (!isLoading())
        return;
    const QScopedValueRollback setting(m_setting, true);
    const QStringView rest = QStringView(m_pending).mid(m_pendingFrom);
    m_pendingFrom = m_pending.size();
    appendToDocument(document(), rest);
    stopLoading();
}

void TextBox::stopLoading() {
    if (!m_fill.isActive() && m_pending.isEmpty())
        return;
    m_fill.stop();
    m_pending = QString();
    m_pendingFrom = 0;
    setReadOnly(m_readOnlyBefore);
}

void TextBox::moveCaretToEnd() {
    finishLoading();
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
}

int TextBox::caretPosition() const {
    const int editorPos = textCursor().position();
    return int(textbox::fromEditor(document()->toRawText().left(editorPos)).size());
}

QMimeData* TextBox::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(textbox::fromEditor(textCursor().selection().toRawText()));
    return data;
}

LineTextBox::LineTextBox(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this](const QString& shown) {
        Q_EMIT storedTextChanged(textbox::fromLineEditor(shown));
    });
}

QString LineTextBox::text() const {
    return textbox::fromLineEditor(QLineEdit::text());
}

void LineTextBox::setText(const QString& text) {
    QLineEdit::setText(textbox::toLineEditor(text));
}

} // namespace quillpix

namespace quillpix {

QString LineTextBox::selectedStoredText() const {
    return textbox::fromLineEditor(selectedText());
}

void LineTextBox::copyStoredText(bool cut) {
    if (!hasSelectedText() || echoMode() != QLineEdit::Normal)
        return;
    QGuiApplication::clipboard()->setText(selectedStoredText());
    if (cut && !isReadOnly())
        del();
}

void LineTextBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut)) {
        copyStoredText(event->matches(QKeySequence::Cut));
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

QMenu* LineTextBox::createContextMenu() {
    // The menu's own entries are found by their text, translated as the line edit translates
    // it; they are named so that they can be found again.
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        const QString label = action->text().section(QLatin1Char('\t'), 0, 0);
        const bool cut = label == QLineEdit::tr("Cu&t");
        if (!cut && label != QLineEdit::tr("&Copy"))
            continue;
        action->setObjectName(cut ? QStringLiteral("edit-cut") : QStringLiteral("edit-copy"));
        action->disconnect(this);
        connect(action, &QAction::triggered, this, [this, cut] { copyStoredText(cut); });
    }
    return menu;
}

void LineTextBox::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createContextMenu());
    menu->exec(event->globalPos());
}

void LineTextBox::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelectedText() && echoMode() == QLineEdit::Normal && clipboard->supportsSelection())
        clipboard->setText(selectedStoredText(), QClipboard::Selection);
}

} // namespace quillpix
