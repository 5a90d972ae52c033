#pragma once

#include "enginecall.h"
#include "platform.h"
#include "reading.h"

#include <QImage>
#include <QString>

// The window's runs in the program folder: the picture prepared and written to tmp.bmp, the
// command to tess.bat, the last result taken away; then tess.bat run and tmp.txt read. The
// window shows what was sent between the two, so a run is two calls.
namespace quillpix::pipeline {

// What went to the engine's folder, for the window to show before the engine starts.
struct SentRun {
    QImage sentPicture; // tmp.bmp read back: exactly what the engine reads
    QString command;    // what tess.bat holds; "" when it was not written
    // Why the engine cannot start, for the user; "" when it can. What was written before the
    // problem is in the fields above.
    QString problem;
    // Why "自動" chose the command it did; "" for a fixed setting or a command run as it stands.
    QString explanation;
};

// 認識: the picture prepared for the settings (see prepare) and the command they make. When a
// step of "自動"'s analysis fails (the picture library reports an error), nothing is written
// and problem names the failure: the engine would read a blank or half-prepared picture.
SentRun sendRun(const QString& folder, const QImage& picture, const EngineSettings& settings);

// 実行: the command as the user left it; the picture prepared as "自動" prepares it when
// automaticPixels (a failed analysis is the problem, as for sendRun), as it is otherwise.
SentRun sendCommand(const QString& folder, const QImage& picture, bool automaticPixels,
                    const QString& command);

// Runs the folder's tess.bat through the platform and reads its tmp.txt.
Reading readSentRun(Platform& platform, const QString& folder, WindowStyle style,
                    const TextRules& rules);

} // namespace quillpix::pipeline
