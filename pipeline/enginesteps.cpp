#include "enginesteps.h"

#include "batchline.h"
#include "programrun.h"
#include "residentengine.h"
#include "textfiles.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quillpix::pipeline {
namespace {

// The engine talks little: its last message line, the failure's reason, lies in this tail.
constexpr qsizetype kMessageTailBytes = 4096;

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

QString readingStopped() {
    return QCoreApplication::translate("pipeline", "読み取りを中止しました");
}

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
        output.reason = QCoreApplication::translate(
                            "pipeline", "「%1」は、実行できるプログラムとして見つかりません。")
                            .arg(name);
        return output;
    }
    processes::ProgramRun request;
    request.program = program;
    request.arguments = m_words.mid(1);
    request.workFolder = m_folder;
    request.environment = env;
    // A group of its own: Ctrl+C on the terminal reaches the batch, which ends the engines
    // itself, and a stop reaches whatever the engine started. No time limit: a large page
    // may take the engine long, and a stop ends it.
    if (m_processes)
        request.stopRequested = [this] { return m_processes->stopped(); };
    request.outputTail = kMessageTailBytes;
    const processes::ProgramResult ran = processes::run(request);

    EngineOutput output = outputFile(m_output);
    if (!ran.started) {
        output.failed = true;
        output.reason = QCoreApplication::translate("pipeline", "%1 を起動できません: %2")
                            .arg(name, ran.errorString);
    } else if (!ran.normalExit || ran.exitCode != 0) {
        output.failed = true;
        output.reason =
            !ran.normalExit
                ? QCoreApplication::translate("pipeline", "%1 が異常終了しました").arg(name)
                : QCoreApplication::translate("pipeline", "%1 が終了コード %2 で終わりました")
                      .arg(name)
                      .arg(ran.exitCode);
        if (const QString last = lastLine(ran.output); !last.isEmpty())
            output.reason += QStringLiteral(": ") + last;
    }
    return output;
}

ResidentStep::ResidentStep(engine::ResidentEngine& engine, engine::PlainCall call,
                           QImage workPicture, bool withLines, std::function<bool()> stopRequested)
    : m_engine(engine), m_call(std::move(call)), m_picture(std::move(workPicture)),
      m_withLines(withLines), m_stopRequested(std::move(stopRequested)) {}

EngineOutput ResidentStep::run() {
    QFuture<engine::PictureText> future =
        m_engine.startReading(m_call, m_picture, m_withLines, m_stopRequested);
    future.waitForFinished();
    const engine::PictureText read =
        future.resultCount() > 0 ? future.result() : engine::PictureText{};
    m_notResident = read.outcome == engine::Outcome::NotResident;
    m_stopped = read.outcome == engine::Outcome::Cancelled;
    m_lines = read.lines;
    EngineOutput output;
    output.written = read.outcome == engine::Outcome::Written;
    output.utf8 = read.utf8;
    if (m_stopped) {
        output.failed = true;
        output.reason = readingStopped();
    } else if (read.outcome == engine::Outcome::Failed) {
        output.failed = true;
        output.reason =
            QCoreApplication::translate("pipeline", "文字認識エンジンが画像を読めませんでした");
    }
    return output;
}

} // namespace quillpix::pipeline
