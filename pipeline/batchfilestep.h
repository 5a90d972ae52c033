#pragma once

#include "platform.h"
#include "reading.h"

namespace quillpix::pipeline {

// The window's way of starting the engine: tess.bat, already written, run through the
// platform (the loaded engine for a plain call, the batch as written otherwise); the output is
// whatever outputFile (the window's tmp.txt) holds afterwards. A batch that cannot be read
// throws a Failure naming it.
class BatchFileStep : public EngineStep {
public:
    BatchFileStep(Platform& platform, QString batchPath, QString outputFile, WindowStyle style);
    EngineOutput run() override;
    // The report of the last run.
    const BatchReport& report() const { return m_report; }

private:
    Platform& m_platform;
    QString m_batch;
    QString m_output;
    WindowStyle m_style;
    BatchReport m_report;
};

// Why a batch run failed, for the message after it: each program it could not find (the engine
// with the packages to install), or the program that ended in failure. "" when the report
// shows no failure.
QString failureReason(const BatchReport& report);

} // namespace quillpix::pipeline
