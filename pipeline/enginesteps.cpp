#include "enginesteps.h"

#include "batchline.h"
#include "residentengine.h"
#include "textfiles.h"

#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace quillpix::pipeline {
namespace {

void killGroup(qint64 pid) {
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
}

// The engine's last message line, for a report when it failed.
QString lastLine(const QByteArray& output) {
    const QStringList lines =
        QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        if (!lines[i].trimmed().isEmpty())
            return lines[i].trimmed();
    return {};
}

EngineOutput outputFile(const QString& path) {
    EngineOutput output;
    output.written = QFileInfo(path).isFile();
    if (output.written)
        output.utf8 = textfiles::readBytes(path);
    return output;
}

} // namespace

void RunningProcesses::stopAll() {
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    for (qint64 pid : m_pids)
        killGroup(pid);
}

bool RunningProcesses::stopped() const {
    std::lock_guard lock(m_mutex);
    return m_stopped;
}

bool RunningProcesses::add(qint64 pid) {
    std::lock_guard lock(m_mutex);
    if (m_stopped) {
        killGroup(pid);
        return false;
    }
    m_pids.insert(pid);
    return true;
}

void RunningProcesses::remove(qint64 pid) {
    std::lock_guard lock(m_mutex);
    m_pids.erase(pid);
}

ProcessStep::ProcessStep(QStringList words, QString workFolder, QString outputFile,
                         RunningProcesses* processes)
    : m_words(std::move(words)), m_folder(std::move(workFolder)), m_output(std::move(outputFile)),
      m_processes(processes) {}

EngineOutput ProcessStep::run() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    const QString name = m_words.value(0);
    const QString program = batchfile::findProgram(name, m_folder, env);
    if (program.isEmpty()) {
        EngineOutput output;
        output.failed = true;
        output.reason =
            QStringLiteral("「%1」は、実行できるプログラムとして見つかりません。").arg(name);
        return output;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(m_words.mid(1));
    process.setWorkingDirectory(m_folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessEnvironment(env);
    process.setChildProcessModifier([] {
        // A group of its own: Ctrl+C on the terminal reaches the batch, which ends the engines
        // itself, and a stop reaches whatever the engine started.
        ::setpgid(0, 0);
        // Should this program die without a chance to end it, the engine goes too.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    process.start();
    const bool started = process.waitForStarted(-1);
    const qint64 pid = started ? process.processId() : 0;
    const bool keep = started && (!m_processes || m_processes->add(pid));
    QByteArray messages;
    if (keep) {
        // The engine talks little; the buffer is emptied as it comes so it never fills.
        while (!process.waitForFinished(200))
            if (process.state() == QProcess::NotRunning)
                break;
            else
                messages = (messages + process.readAll()).right(4096);
    }
    if (m_processes && pid > 0)
        m_processes->remove(pid);
    if (started && !keep)
        process.waitForFinished(-1);
    messages += process.readAll();

    EngineOutput output = outputFile(m_output);
    if (!started) {
        output.failed = true;
        output.reason = QStringLiteral("%1 を起動できません: %2").arg(name, process.errorString());
    } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        output.failed = true;
        output.reason = process.exitStatus() != QProcess::NormalExit
                            ? QStringLiteral("%1 が異常終了しました").arg(name)
                            : QStringLiteral("%1 が終了コード %2 で終わりました")
                                  .arg(name)
                                  .arg(process.exitCode());
        if (const QString last = lastLine(messages); !last.isEmpty())
            output.reason += QStringLiteral(": ") + last;
    }
    return output;
}

ResidentStep::ResidentStep(engine::ResidentEngine& engine, engine::PlainCall call,
                           QImage workPicture, bool withLines)
    : m_engine(engine), m_call(std::move(call)), m_picture(std::move(workPicture)),
      m_withLines(withLines) {}

EngineOutput ResidentStep::run() {
    QFuture<engine::PictureText> future = m_engine.read(m_call, m_picture, m_withLines);
    future.waitForFinished();
    const engine::PictureText read =
        future.resultCount() > 0 ? future.result() : engine::PictureText{};
    m_notResident = read.outcome == engine::Outcome::NotResident;
    m_lines = read.lines;
    EngineOutput output;
    output.written = read.outcome == engine::Outcome::Written;
    output.utf8 = read.utf8;
    if (read.outcome == engine::Outcome::Failed) {
        output.failed = true;
        output.reason = QStringLiteral("文字認識エンジンが画像を読めませんでした");
    }
    return output;
}

} // namespace quillpix::pipeline
