#pragma once

#include "platform.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

namespace quillpix::engine {
class ResidentEngine;
}

namespace quillpix::testing {

// A Platform that records what the window asks of the desktop instead of showing dialogs or
// opening programs. Batch files run for real, as the desktop runs them (a plain call of the
// installed engine in the loaded engine, anything else through the batch runner), but without
// a console window, so a "pause" in them returns at once; sounds are recorded, not played.
class RecordingPlatform : public Platform {
public:
    struct BatchRun {
        QString path;
        WindowStyle style;
        QByteArray bytes; // the batch file as it was when it started
        BatchReport report;
    };

    RecordingPlatform();
    ~RecordingPlatform() override;

    int screen = 1920;
    bool paintInstalled = true;
    // Whether the desktop has a program for what shellOpen is given.
    bool openerInstalled = true;
    // The answer to every askOkCancel.
    bool answerOk = true;
    // The answer to every askSave: the text goes, as it went before the window asked.
    SaveAnswer saveAnswer = SaveAnswer::Discard;

    QStringList messages;
    QStringList opened;
    QStringList questions;
    QStringList saveQuestions;
    QStringList paintStarts;
    QStringList sounds;
    QVector<BatchRun> batchRuns;
    // What the window asked to get ready for: the batch text and where it would run.
    struct Preparation {
        QString text;
        QString batchPath;
    };
    QVector<Preparation> preparations;

    // Called as each message is shown, so a test can look at the window at that moment.
    std::function<void(const QString& text)> onMessage;
    void showMessage(const QString& text) override {
        messages << text;
        if (onMessage)
            onMessage(text);
    }
    bool shellOpen(const QString& path) override {
        if (!openerInstalled)
            return false;
        opened << path;
        return true;
    }
    bool askOkCancel(const QString& text) override {
        questions << text;
        return answerOk;
    }
    SaveAnswer askSave(const QString& text) override {
        saveQuestions << text;
        return saveAnswer;
    }
    bool startPaint(const QString& picturePath) override {
        if (!paintInstalled)
            return false;
        paintStarts << picturePath;
        return true;
    }
    int screenWidth() const override { return screen; }
    // The room a window may take on the screen: a 1920 × 1080 screen less a panel.
    QRect available{0, 0, 1920, 1050};
    QRect availableArea() const override { return available; }
    // The answers to askChoice, taken in turn; when none is left, the first answer (the one
    // the window offers as the default).
    QList<int> choiceAnswers;
    QStringList choiceQuestions;
    // The answers each question offered.
    QList<QStringList> choiceOffers;
    // Called as each question is asked, so a test can look at the disk at that moment.
    std::function<void(const QString& text)> onChoice;
    int askChoice(const QString& text, const QStringList& answers) override {
        choiceQuestions << text;
        choiceOffers << answers;
        if (onChoice)
            onChoice(text);
        return choiceAnswers.isEmpty() ? 0 : choiceAnswers.takeFirst();
    }
    BatchReport runBatch(const QString& batchPath, WindowStyle style,
                         const std::function<bool()>& stopRequested,
                         const std::function<void(int)>& progressed) override;
    // Recorded only: a test that wants the engine loaded runs a batch.
    QStringList alternativesAt(const QImage& picture, const QRect& box, bool vertical) override;
    void prepareEngine(const QString& batchText, const QString& batchPath) override {
        preparations.push_back({batchText, batchPath});
    }
    // Called as each sound "plays", so a test can look at the window at that moment.
    std::function<void(const QString& wavPath)> onSound;

    void playSound(const QString& wavPath) override {
        sounds << wavPath;
        if (onSound)
            onSound(wavPath);
    }

    // What the dialogs answer ("" is a cancel), what the clipboard holds, what the user
    // chooses on the frozen screen; and what the window asked for.
    QString folderAnswer;
    QString fileAnswer;
    ClipboardContent clipboard;
    ScreenRegion screenRegion;
    QStringList dialogStarts;
    QStringList copied;
    QStringList notices;
    int captures = 0;

    QString chooseFolder(const QString& startFolder) override {
        dialogStarts << startFolder;
        return folderAnswer;
    }
    QString chooseFile(const QString& startFolder, const QString&) override {
        dialogStarts << startFolder;
        return fileAnswer;
    }
    // What 名前を付けて保存's dialog answers; where it was asked to start.
    SaveTarget saveTargetAnswer;
    QStringList saveTargetStarts;
    SaveTarget chooseSaveTarget(const QString& suggestedPath) override {
        saveTargetStarts << suggestedPath;
        return saveTargetAnswer;
    }
    ClipboardContent clipboardContent() override { return clipboard; }
    void copyText(const QString& text) override { copied << text; }
    ScreenRegion captureScreenRegion() override {
        ++captures;
        return screenRegion;
    }
    void showNotice(const QString& text) override { notices << text; }

    // Scanners are the real ones SANE finds (the tests give it its test backend); what the
    // window asked for is recorded.
    struct ScanRun {
        scanner::Request request;
        QString folder;
        scanner::FolderScan result;
    };
    QVector<ScanRun> scanRuns;
    QList<scanner::Device> scanners(scanner::Error* error) override;
    scanner::Capabilities scannerCapabilities(const QString& device) override;
    QImage scannerPreview(const scanner::Request& request,
                          const std::function<bool()>& stopRequested,
                          scanner::Error* error) override;
    scanner::FolderScan
    scanIntoFolder(const scanner::Request& request, const QString& folder,
                   const std::function<void(const scanner::Progress&)>& progress,
                   const std::function<bool()>& stopRequested) override;

private:
    std::unique_ptr<engine::ResidentEngine> m_engine;
};

} // namespace quillpix::testing
