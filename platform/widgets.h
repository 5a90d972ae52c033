#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>

namespace quillpix {

// A scroll bar whose maximum may be zero or negative, as the viewer's arithmetic gives it for
// pictures that fit; the bar itself then offers no range. Positions start at 0.
class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    ScrollBar(Qt::Orientation orientation, QWidget* parent);
    void setLogicalMaximum(int maximum);
    int logicalMaximum() const { return m_logicalMaximum; }

private:
    int m_logicalMaximum = 0;
};

// Multi-line text box that gives back exactly the text it was given: CR LF, a lone CR and a
// lone LF each survive setting, reading back and the user's edits elsewhere. In the editor a
// CR LF is a paragraph break, a lone LF a line break inside the paragraph, and a lone CR an
// invisible zero-width mark.
//
// A long text (a saved result of megabytes) is shown at once but moved into the editor in
// pieces between events, since the editor takes about a second per ten megabytes: the window
// answers meanwhile. Until the last piece is in, the box is read-only; text() and
// moveCaretToEnd() first move the rest in, so they always see the whole text.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent);
    QString text() const;
    void setText(const QString& text);
    void moveCaretToEnd();
    // Caret position in units of text().
    int caretPosition() const;
    // True while part of the text last set is still to be moved into the editor.
    bool isLoading() const { return m_pendingFrom < m_pending.size(); }
    // True while setText moves text into the editor, now or piece by piece later: the change
    // signals raised meanwhile are the program's, not the user's edits.
    bool settingText() const { return m_setting; }

    // Editor characters moved in per piece; a text up to this long is set in one step.
    static constexpr qsizetype kPieceSize = 128 * 1024;

protected:
    // Copying, cutting and dragging give the selected part of text(): CR LF, lone CR and lone
    // LF as they are held, never the editor's own marks for them.
    QMimeData* createMimeDataFromSelection() const override;

private:
    void appendPiece();
    void finishLoading();
    void stopLoading();

    QString m_pending; // the whole text in editor form while loading
    qsizetype m_pendingFrom = 0;
    QTimer m_fill;
    bool m_readOnlyBefore = false;
    bool m_setting = false;
};

// Single-line text box that keeps line ends inside its text: a CR shows as "␍", an LF as "␊".
class LineTextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit LineTextBox(QWidget* parent);
    QString text() const;
    void setText(const QString& text);
    // The selected part of text(), with CR and LF for the marks that show them.
    QString selectedStoredText() const;
    // The standard context menu, whose copy and cut give selectedStoredText().
    QMenu* createContextMenu();

Q_SIGNALS:
    void storedTextChanged(const QString& text);

protected:
    // Copy and cut, by key, by the context menu and into the selection clipboard, give
    // selectedStoredText().
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void copyStoredText(bool cut);
};

namespace textbox {
// The mapping between stored text and what the editors hold.
QString toEditor(const QString& stored);
QString fromEditor(const QString& editor);
QString toLineEditor(const QString& stored);
QString fromLineEditor(const QString& editor);
} // namespace textbox

} // namespace quillpix
