#pragma once

#include "automatic.h"
#include "enginecall.h"
#include "platform.h"
#include "reading.h"

#include <QImage>
#include <QString>

// The window's runs in the program folder: the picture prepared and written to tmp.bmp, the
// command to tess.bat, the last result taken away; then tess.bat run and tmp.txt read. The
// window shows what was sent between the two, so a run is two calls.
namespace quillpix::recognition {

// What went to the engine's folder, for the window to show before the engine starts.
struct SentRun {
    QImage sentPicture; // tmp.bmp read back: exactly what the engine reads
    QString command;    // what tess.bat holds; "" when it was not written
    // Why the engine cannot start, for the user; "" when it can. What was written before the
    // problem is in the fields above.
    QString problem;
    // Why "自動" chose the command it did; "" for a fixed setting or a command run as it stands.
    QString explanation;
    // What tmp.bmp was prepared from, for the engine's boxes to go back onto the picture
    // (linesOnPicture); a picture sent as it was has a plan that changes nothing.
    pipeline::PreparedPicture prepared;
};

// 認識 as a list of runs: the picture prepared for the settings (see prepare) and what the
// engine reads of it, one run each (a page of text regions is read region by region, a spread page
// by page). When a step of "自動"'s analysis fails (the picture library reports an error), there is
// nothing to read and problem names the failure: the engine would read a blank or half-prepared
// picture.
struct PlannedRuns {
    std::vector<pipeline::EngineRead> reads;
    QString problem;
    QString explanation;                // as SentRun's
    pipeline::PreparedPicture prepared; // what the reads were cut from (see linesOnPicture)
};
PlannedRuns planRuns(const QImage& picture, const pipeline::EngineSettings& settings);
// One run of them: its picture to tmp.bmp and the command its settings make to tess.bat.
SentRun sendPlannedRun(const QString& folder, const PlannedRuns& runs, size_t run);

// 認識 of a picture read in one run (the first of planRuns), for a caller that reads one.
SentRun sendRun(const QString& folder, const QImage& picture,
                const pipeline::EngineSettings& settings);

// 実行: the command as the user left it; the picture prepared as "自動" prepares it when
// automaticPixels (a failed analysis is the problem, as for sendRun), as it is otherwise.
SentRun sendCommand(const QString& folder, const QImage& picture, bool automaticPixels,
                    const QString& command);

// Runs the folder's tess.bat through the platform and reads its tmp.txt. With lines given, they
// receive where the loaded engine read each line and character on tmp.bmp; nothing when the
// batch ran as written.
// stopRequested ends the run early: a reading that failed with the reason readingStopped().
// progressed is told how far a loaded engine's read has come.
pipeline::Reading readSentRun(Platform& platform, const QString& folder, WindowStyle style,
                              const pipeline::TextRules& rules,
                              QList<enginelayout::Line>* lines = nullptr,
                              std::function<bool()> stopRequested = {},
                              std::function<void(int)> progressed = {});

} // namespace quillpix::recognition
