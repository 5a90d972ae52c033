#include "batchfilestep.h"

#include "commandline.h"
#include "enginesteps.h"
#include "failure.h"
#include "textfiles.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace quillpix::recognition {

using namespace pipeline;

BatchFileStep::BatchFileStep(Platform& platform, QString batchPath, QString outputFile,
                             WindowStyle style, std::function<bool()> stopRequested,
                             std::function<void(int)> progressed)
    : m_platform(platform), m_batch(std::move(batchPath)), m_output(std::move(outputFile)),
      m_style(style), m_stopRequested(std::move(stopRequested)),
      m_progressed(std::move(progressed)) {}

EngineOutput BatchFileStep::run() {
    m_report = m_platform.runBatch(m_batch, m_style, m_stopRequested, m_progressed);
    if (!m_report.started)
        throw Failure(QCoreApplication::translate("pipeline", "バッチファイルを起動できません: %1")
                          .arg(m_batch));
    EngineOutput output;
    // What a stopped run left in the output file is no reading of the picture.
    if (m_report.stopped) {
        output.failed = true;
        output.reason = readingStopped();
        return output;
    }
    output.reason = failureReason(m_report);
    // The engine's own end decides, not the batch's last command: a "pause" after a failed
    // engine ends well, and a program missing after an engine that read well takes nothing
    // from its result.
    output.failed = engineFailed(m_report);
    output.written = textfiles::isVisibleFile(m_output);
    if (output.written)
        output.utf8 = textfiles::readBytes(m_output);
    return output;
}

bool engineFailed(const BatchReport& report) {
    return report.engineRan && (report.engineExitCode != 0 || report.engineCrashed);
}

QString failureReason(const BatchReport& report) {
    QStringList lines;
    for (const QString& program : report.notFound)
        lines << (program == QLatin1String("tesseract")
                      ? engineNotFoundMessage()
                      : QCoreApplication::translate(
                            "pipeline", "「%1」は、実行できるプログラムとして見つかりません。")
                            .arg(program));
    const bool lastFailed = report.exitCode != 0 && !report.lastProgram.isEmpty() &&
                            !report.notFound.contains(report.lastProgram);
    const bool lastIsEngine =
        QFileInfo(report.lastProgram).fileName() == QLatin1String("tesseract");
    if (engineFailed(report)) {
        lines << (report.resident ? QCoreApplication::translate(
                                        "pipeline", "文字認識エンジンが画像を読めませんでした")
                                  : QCoreApplication::translate(
                                        "pipeline", "%1 が終了コード %2 で終わりました。")
                                        .arg(QStringLiteral("tesseract"))
                                        .arg(report.engineExitCode));
        if (!report.engineMessage.isEmpty())
            lines << report.engineMessage;
    }
    // The engine's line above already tells its end.
    if (lastFailed && !(engineFailed(report) && lastIsEngine))
        lines << QCoreApplication::translate("pipeline", "%1 が終了コード %2 で終わりました。")
                     .arg(report.lastProgram)
                     .arg(report.exitCode);
    return lines.join(QLatin1Char('\n'));
}

WindowStyle windowStyleFor(const QString& text) {
    return text.contains(QStringLiteral("pause")) ? WindowStyle::NormalWithFocus
                                                  : WindowStyle::MinimizedNoFocus;
}

} // namespace quillpix::recognition
