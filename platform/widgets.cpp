#include "widgets.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace quillpix {

ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {
    setRange(0, 0);
}

void ScrollBar::setLogicalMaximum(int maximum) {
    m_logicalMaximum = maximum;
    setRange(0, std::max(0, maximum));
}

bool naturalLess(const QString& a, const QString& b) {
    // Runs of digits compare by their value, everything else without regard to case; names
    // that compare equal that way fall back to plain order so the sort is total.
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ie = i, je = j;
            while (ie < a.size() && a[ie].isDigit())
                ++ie;
            while (je < b.size() && b[je].isDigit())
                ++je;
            QStringView da = QStringView(a).mid(i, ie - i), db = QStringView(b).mid(j, je - j);
            while (da.size() > 1 && da[0] == u'0')
                da = da.mid(1);
            while (db.size() > 1 && db[0] == u'0')
                db = db.mid(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (const int c = da.compare(db); c != 0)
                return c < 0;
            i = ie;
            j = je;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b;
}

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {}

void FileListBox::setPattern(const QString& pattern) {
    m_pattern = pattern;
    refresh();
}

bool FileListBox::refresh() {
    clear();
    QDir dir(m_folder);
    if (m_folder.isEmpty() || !dir.exists() || !dir.isReadable())
        return false;
    QStringList patterns = m_pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    dir.setNameFilters(patterns);
    // QDir matches name filters without regard to case unless told otherwise; hidden entries
    // (a leading dot) are left out because QDir::Hidden is not asked for.
    QStringList names = dir.entryList(QDir::Files, QDir::NoSort);
    std::sort(names.begin(), names.end(), naturalLess);
    addItems(names);
    setCurrentRow(-1);
    return true;
}

QString FileListBox::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
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
