#include "programrun.h"

#include "childprocess.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <algorithm>

namespace quillpix::processes {
namespace {

// How soon a waiting run sees a stop, and how often a bounded output is trimmed.
constexpr int kLookMs = 50;

} // namespace

ProgramResult run(const ProgramRun& request) {
    const QDeadlineTimer deadline = request.timeLimitMs ? QDeadlineTimer(*request.timeLimitMs)
                                                        : QDeadlineTimer(QDeadlineTimer::Forever);
    QProcess process;
    process.setProgram(request.program);
    process.setArguments(request.arguments);
    if (!request.workFolder.isEmpty())
        process.setWorkingDirectory(request.workFolder);
    if (request.environment)
        process.setProcessEnvironment(*request.environment);
    if (request.emptyInput)
        process.setStandardInputFile(QProcess::nullDevice());
    // Qt warns when the error channel is read while it is merged.
    const bool separate = request.channels == Channels::Separate;
    process.setProcessChannelMode(separate ? QProcess::SeparateChannels : QProcess::MergedChannels);
    leadOwnGroup(process);
    process.start();

    ProgramResult result;
    result.started = process.waitForStarted(-1);
    while (result.started) {
        const bool stop = request.stopRequested && request.stopRequested();
        if ((stop || deadline.hasExpired()) && killGroup(process)) {
            result.killed = true;
            process.waitForFinished(-1);
            break;
        }
        const int wait = deadline.isForever()
                             ? kLookMs
                             : int(std::clamp<qint64>(deadline.remainingTime(), 0, kLookMs));
        if (process.waitForFinished(wait) || process.state() == QProcess::NotRunning)
            break;
        // Emptied as it comes, so a bounded output never grows past its tail.
        if (const auto tail = request.outputTail) {
            result.output = (result.output + process.readAllStandardOutput()).right(*tail);
            if (separate)
                result.errorOutput =
                    (result.errorOutput + process.readAllStandardError()).right(*tail);
        }
    }
    result.output += process.readAllStandardOutput();
    if (separate)
        result.errorOutput += process.readAllStandardError();
    if (!result.started)
        result.errorString = process.errorString();
    result.normalExit = result.started && process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    return result;
}

} // namespace quillpix::processes
