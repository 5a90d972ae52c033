#include "consolewindow.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quillpix {

ConsoleWindow::ConsoleWindow(QWidget* parent, const QString& title)
    : QDialog(parent), m_view(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("console"));
    setWindowTitle(title);
    setModal(false);
    setFocusPolicy(Qt::StrongFocus);
    // Keys belong to the batch, so the view never takes the focus; the mouse can still select
    // and copy the output.
    m_view->setObjectName(QStringLiteral("consoleOutput"));
    m_view->setReadOnly(true);
    m_view->setFocusPolicy(Qt::NoFocus);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QPalette colours = m_view->palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Text, QColor(0xC0, 0xC0, 0xC0));
    m_view->setPalette(colours);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    resize(640, 320);
}

void ConsoleWindow::appendOutput(const QByteArray& bytes) {
    // The view breaks lines at LF; the CR of a CR LF starts nothing new.
    QString shown = m_decoder.decode(bytes);
    shown.remove(QChar(u'\r'));
    if (shown.isEmpty())
        return;
    QTextCursor cursor = m_view->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown);
    m_view->setTextCursor(cursor);
    m_view->ensureCursorVisible();
}

QString ConsoleWindow::output() const {
    return m_view->toPlainText();
}

void ConsoleWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        // A modifier alone is no key press for "pause".
        event->ignore();
        return;
    default:
        event->accept();
        Q_EMIT keyPressed();
    }
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    Q_EMIT closeRequested();
}

} // namespace quillpix
