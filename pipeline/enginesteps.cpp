#include "enginesteps.h"

#include "batchline.h"
#include "childprocess.h"
#include "residentengine.h"
#include "textfiles.h"

#include <QFileInfo>
#include <QProcess>

namespace quillpix::pipeline {
namespace {

// How soon a waiting step sees a stop.
constexpr int kStopLookMs = 50;

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
    m_stopped = true;
}

bool RunningProcesses::stopped() const {
    return m_stopped;
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
    // A group of its own: Ctrl+C on the terminal reaches the batch, which ends the engines
    // itself, and a stop reaches whatever the engine started.
    engine::leadOwnGroup(process);
    process.start();
    const bool started = process.waitForStarted(-1);
    QByteArray messages;
    // The stop is only looked at here: the group is killed by this thread, which alone reaps
    // the engine, so its id cannot have passed to another process (engine::killGroup).
    while (started) {
        if (m_processes && m_processes->stopped() && engine::killGroup(process)) {
            process.waitForFinished(-1);
            break;
        }
        if (process.waitForFinished(kStopLookMs) || process.state() == QProcess::NotRunning)
            break;
        // The engine talks little; the buffer is emptied as it comes so it never fills.
        messages = (messages + process.readAll()).right(4096);
    }
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
    QFuture<engine::PictureText> future = m_engine.startReading(m_call, m_picture, m_withLines);
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
