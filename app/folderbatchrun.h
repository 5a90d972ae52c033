#pragma once

#include "batchcontroller.h"

#include <QObject>

#include <memory>

class QProgressDialog;
class QWidget;

namespace quillpix {

class Platform;

// "このフォルダをすべて認識…": the folder batch on the shown folder with the lists' current
// items, a progress dialog with a cancel button, and the window usable meanwhile.
class FolderBatchRun : public QObject {
    Q_OBJECT
public:
    FolderBatchRun(QWidget* window, Platform& platform);
    ~FolderBatchRun() override;

    // Asks whether to read the folder with these settings, and starts the batch on OK; a
    // batch already running is said so and left alone.
    void start(const folderbatch::Settings& settings);
    // The question: the folder, the language, PSM and options the batch will use.
    static QString confirmationText(const folderbatch::Settings& settings);
    bool isRunning() const { return m_controller.isRunning(); }
    // The folder of the batch running or run last.
    const QString& folder() const { return m_folder; }
    // The window is closing: no further picture starts, the ones being read are saved, then
    // ended() follows without the summary (the user asked to close, not to read on).
    void stopForClosing();
    // The question on closing while the batch runs: stop it and close, or keep working.
    static QString closingQuestion(const QString& folder);

    // What the window shows when a batch has ended; document names the one document read for its
    // PDF ("" for the folder).
    static QString summaryText(const folderbatch::Summary& summary, const QString& document = {});
    // What the end message offers to open: the first few of the book's and the documents' PDFs
    // and texts, written or already up to date (a picture's own result is beside it in the
    // list).
    static QStringList openableOutputs(const folderbatch::Summary& summary);

Q_SIGNALS:
    // The batch ended; the saved results of the folder may have changed.
    void ended();

private:
    void showProgress(const folderbatch::Progress& progress);
    void finish(const folderbatch::Summary& summary);

    QWidget* m_window;
    Platform& m_platform;
    folderbatch::BatchController m_controller;
    std::unique_ptr<QProgressDialog> m_dialog;
    QString m_folder;
    QString m_document; // the one document of the run, "" for the whole folder
    bool m_closing = false;
};

} // namespace quillpix
