#pragma once

#include "folders.h"
#include "platform.h"
#include "runstate.h"

#include <QObject>

#include <QImage>

#include <memory>
#include <optional>

class QPushButton;
class QTimer;

namespace quillpix {

class LineTextBox;

namespace selection {
class SelectedRegion;
}
namespace resulttext {
class ResultBox;
}
namespace options {
class EngineChoices;
}
namespace pipeline {
struct EngineSettings;
struct Reading;
} // namespace pipeline
namespace recognition {
struct SentRun;
}

// The controls the recognition owns.
struct RecognitionControls {
    QWidget* window = nullptr;
    QPushButton* cmdRecognize = nullptr;
    QPushButton* cmdDirect = nullptr;
    LineTextBox* txtBat = nullptr;
};

// The recognition run (cmdRecognize: crop, build the command, run the engine, append its text)
// and the direct run of the command as edited in txtBat (cmdDirect).
class RecognitionHandler : public QObject {
    Q_OBJECT
public:
    ~RecognitionHandler() override;
    RecognitionHandler(const RecognitionControls& controls, selection::SelectedRegion& region,
                       resulttext::ResultBox& resultBox, const options::EngineChoices& choices,
                       RunState& runState, Platform& platform, const Folders& folders);

    static QString missingResultMessage();
    // The engine failed, though it left a result file: the run adds nothing.
    static QString engineFailedMessage();
    static QString busyMessage();
    static QString selectionTooSmallMessage();
    // What the window says when Esc stopped a run.
    static QString stoppedNotice();

    // The lists' chosen items as engine settings, as the run reads them.
    pipeline::EngineSettings chosenSettings() const;

    // A selection was made or discarded: "コマンドを作成して実行" follows.
    void setSelectionMade(bool made);
    // Empties the command line.
    void clearCommand();
    // Asks the platform to load, in the background, the engine that a run with the lists'
    // chosen items would use, so the first run does not wait for the models; nothing while no
    // language is chosen.
    void prepareEngine();
    // The same a moment later, once the lists have stopped changing, and only while the window
    // is shown: walking through the languages loads only the one the user stops at.
    void prepareEngineSoon();
    // Reads a whole picture (a region of the screen) as cmdRecognize reads the selection: the
    // lists' current items, tess.bat, the same engine and clean-up, the text appended to the
    // result box. The appended text, or nothing when the run was refused or failed (the user
    // has been told).
    std::optional<QString> readPicture(const QImage& picture);
    // What cmdRecognize does when pressed, when it can be pressed.
    void recognizeSelection();

private:
    void onRecognizeClicked();
    void onDirectClicked();
    // Reads the selection, or the picture given; the text appended, when the engine wrote any.
    std::optional<QString> recognize(RunState::Run& run,
                                     const std::optional<QImage>& picture = std::nullopt);
    void runDirect(RunState::Run& run);

    // Undo text and the crop of the selection (or the picture given); a crop without
    // pixels ends the run.
    QImage startRun(const std::optional<QImage>& picture = std::nullopt);
    // What a run sent to the engine's folder: the preview of tmp.bmp and the command shown;
    // a problem with the run ends it there.
    void showSent(const recognition::SentRun& sent);
    // Runs tess.bat and reads tmp.txt with the result box's clean-up rules; lines receive where
    // a loaded engine read each character on tmp.bmp.
    // The part-th of parts reads of one run: its progress counts as that share of the run's.
    pipeline::Reading readSent(WindowStyle style, QList<enginelayout::Line>& lines, size_t part = 0,
                               size_t parts = 1);
    // The lines of a run on the prepared picture, onto the picture the run was asked for: the
    // selection's place on the picture on show, or no place for a picture given.
    QList<enginelayout::Line> linesOnShown(QList<enginelayout::Line> lines,
                                           const std::optional<QImage>& picture) const;
    // The message (naming what failed, when known), "notify.wav" and the default pointer when
    // the engine left no result file or failed; true when the run ends there.
    bool reportFailedRun(RunState::Run& run, const pipeline::Reading& reading);
    // Esc was pressed during the run: the run ends here, the box as it was, and says so.
    bool stoppedByUser(RunState::Run& run);

    QString programFile(const QString& name) const;
    // A second run while one waits would overwrite the first one's work files.
    bool refuseWhileRunning();

    RecognitionControls m_c;
    selection::SelectedRegion& m_region;
    resulttext::ResultBox& m_resultBox;
    const options::EngineChoices& m_choices;
    // Marked while a run waits for the engine; its text belongs to the picture shown when it
    // started.
    RunState& m_runState;
    Platform& m_platform;
    Folders m_folders;
    QTimer* m_prepareTimer = nullptr;
    // The last command was written by a "自動" run: 実行 prepares the picture as it did, until
    // the command line is cleared or a run with another language writes it.
    bool m_prepareDirectRuns = false;
};

} // namespace quillpix
