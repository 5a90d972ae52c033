#pragma once

#include "controls.h"
#include "platform.h"
#include "selectionstate.h"

#include <QObject>

namespace quillpix {

// The recognition run (cmdRecognize: crop, build the command, run the engine, append its text)
// and the direct run of the command as edited in txtBat (cmdDirect).
class RecognitionHandler : public QObject {
    Q_OBJECT
public:
    RecognitionHandler(Controls& controls, SelectionState& state, Platform& platform,
                       const Folders& folders);

    static QString missingResultMessage();
    static QString busyMessage();
    static QString selectionTooSmallMessage();

private:
    void onRecognizeClicked();
    void onDirectClicked();
    void recognize();
    void runDirect();

    // Hourglass, undo text, crop of the selection into tmp.bmp and its preview.
    void prepareWorkBitmap();
    void writeBatch(const QString& command);
    // Deleted before the engine starts, so a result found afterwards can only be this run's.
    void deleteOldResult();
    void runBatchAndWait(WindowStyle style);
    // The message, "notify.wav" and the default pointer when the engine left no result file;
    // true when the run ends there.
    bool reportMissingResult();
    // The engine's UTF-8 result as code page 932 text, every line followed by CR LF.
    QString readResult();
    void appendToResult(const QString& raw);

    QString programFile(const QString& name) const;
    // A second run while one waits would overwrite the first one's work files.
    bool refuseWhileRunning();

    Controls& m_c;
    SelectionState& m_state;
    Platform& m_platform;
    const Folders& m_folders;
    bool m_running = false;
};

} // namespace quillpix
