#pragma once

#include "platform.h"
#include "reading.h"

namespace quillpix::recognition {

// The window's way of starting the engine: tess.bat, already written, run through the
// platform (the loaded engine for a plain call, the batch as written otherwise); the output is
// whatever outputFile (the window's tmp.txt) holds afterwards. A batch that cannot be read
// throws a Failure naming it.
class BatchFileStep : public pipeline::EngineStep {
public:
    // stopRequested ends the run early (Platform::runBatch): the engine's output is then none,
    // failed with the reason readingStopped(). progressed is told how far a loaded engine's
    // read has come.
    BatchFileStep(Platform& platform, QString batchPath, QString outputFile, WindowStyle style,
                  std::function<bool()> stopRequested = {},
                  std::function<void(int)> progressed = {});
    pipeline::EngineOutput run() override;
    // The report of the last run.
    const BatchReport& report() const { return m_report; }

private:
    Platform& m_platform;
    QString m_batch;
    QString m_output;
    WindowStyle m_style;
    std::function<bool()> m_stopRequested;
    std::function<void(int)> m_progressed;
    BatchReport m_report;
};

// Whether the engine itself failed in the batch's run: the last command that started it ended
// with a status other than 0 or a signal, or the loaded engine could not read the picture.
// Whatever the batch ran after it ("pause", "echo") does not count; a batch that never started
// the engine did not fail it.
bool engineFailed(const BatchReport& report);

// Why a batch run failed, for the message after it: each program it could not find (the engine
// with the packages to install), or the program that ended in failure, the engine with its
// last message line. "" when the report
// shows no failure. The engine that failed is named even when the batch went on after it.
QString failureReason(const BatchReport& report);

// With "pause" anywhere in the text (letter case counts) the batch gets the console window,
// otherwise it runs without one.
WindowStyle windowStyleFor(const QString& text);

} // namespace quillpix::recognition
