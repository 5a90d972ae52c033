#pragma once

#include <QLineEdit>
#include <QListWidget>
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

// The list of pictures in one folder: regular files (after following links) whose names match
// the pattern (wildcards separated by ";", compared without regard to case), hidden entries
// left out, sorted as people expect (case-insensitive, digits in numeric order: page2 before
// page10). A multi-page document (PDF, TIFF) has one row per page, "scan.pdf (3/12)", directly
// after one another; a one-page document has a plain row. The rows are made by
// pictures::listPictures.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent);
    void setFolder(const QString& folder) { m_folder = folder; }
    QString folder() const { return m_folder; }
    // Setting the pattern re-reads the folder.
    void setPattern(const QString& pattern);
    QString pattern() const { return m_pattern; }
    // Re-reads the folder; nothing is selected afterwards. False when the folder cannot be
    // listed (the list is then empty).
    bool refresh();
    // The selected row's file name without its folder, or "" when nothing is selected.
    QString fileName() const;
    // The selected row's page index (from 0), or pictures::kNoPage (-1) for a whole picture
    // or when nothing is selected.
    int page() const;
    // The row of a file's page (or of the whole file, page -1), or -1 when not listed.
    int rowOf(const QString& fileName, int page) const;
    // After refresh(): "" when every matching name could be listed, else a message (Japanese,
    // naming the folder) on how many names were left out because they are not UTF-8. Meant to
    // be shown once per listing.
    QString leftOutMessage() const { return m_leftOutMessage; }

private:
    QString m_folder;
    QString m_pattern = QStringLiteral("*");
    QString m_leftOutMessage;
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
