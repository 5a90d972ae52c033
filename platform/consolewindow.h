#pragma once

#include <QDialog>
#include <QStringDecoder>

class QPlainTextEdit;

namespace quillpix {

// The console of a batch file started with a window: a small non-modal dialog that takes the
// focus, shows what the batch writes as it comes, and reports each key the user presses so the
// batch's "pause" can go on. Closing it asks for the batch to be ended, as closing a console
// window does.
class ConsoleWindow : public QDialog {
    Q_OBJECT
public:
    ConsoleWindow(QWidget* parent, const QString& title);

    // The batch's output, UTF-8; a character split between two calls is put together.
    void appendOutput(const QByteArray& bytes);
    QString output() const;

Q_SIGNALS:
    void keyPressed();
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape is a key for "pause" here, not a way to dismiss the dialog.
    void reject() override {}

private:
    QPlainTextEdit* m_view;
    QStringDecoder m_decoder{QStringDecoder::Utf8};
};

} // namespace quillpix
