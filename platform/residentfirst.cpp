#include "residentfirst.h"

#include "batchfile.h"
#include "cp932.h"
#include "residentengine.h"

#include <QFile>
#include <QFileInfo>

namespace quillpix {
namespace {

// The engine talks little: its failure's reason is its last line that says anything.
QString lastLine(const QByteArray& output) {
    const QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        if (const QString line = lines[i].trimmed(); !line.isEmpty())
            return line;
    return {};
}

} // namespace

BatchReport runResidentFirst(const QString& batchPath, WindowStyle style,
                             engine::ResidentEngine& engine, QWidget* consoleParent) {
    BatchReport report;
    QFile file(batchPath);
    if (QFileInfo(batchPath).isDir() || !file.open(QIODevice::ReadOnly))
        return report;
    const QString text = cp932::decode(file.readAll());
    file.close();
    const QString folder = QFileInfo(batchPath).absolutePath();
    const engine::Outcome outcome = engine.runBatchText(text, folder, batchPath);
    if (outcome != engine::Outcome::NotResident) {
        report.started = true;
        report.resident = true;
        report.lastProgram = QStringLiteral("tesseract");
        report.exitCode = outcome == engine::Outcome::Written ? 0 : 1;
        report.engineRan = true;
        report.engineExitCode = report.exitCode;
        return report;
    }
    const batchfile::Console console = style == WindowStyle::NormalWithFocus
                                           ? batchfile::Console::Window
                                           : batchfile::Console::None;
    const batchfile::BatchReport run = batchfile::runBatchFile(batchPath, console, consoleParent);
    report.started = run.read;
    report.notFound = run.notFound;
    report.lastProgram = run.lastProgram;
    report.exitCode = run.exitCode;
    for (const batchfile::BatchReport::ProgramEnd& end : run.ended)
        if (QFileInfo(end.program).fileName() == QLatin1String("tesseract")) {
            report.engineRan = true;
            report.engineExitCode = end.exitCode;
            report.engineCrashed = end.crashed;
            report.engineMessage = lastLine(end.errors);
        }
    return report;
}

void prepareResidentFirst(const QString& batchText, const QString& batchPath,
                          engine::ResidentEngine& engine) {
    // As the batch file holds it: what code page 932 cannot carry would reach the engine as "?".
    engine.prepare(cp932::decode(cp932::encode(batchText)), QFileInfo(batchPath).absolutePath(),
                   batchPath);
}

} // namespace quillpix
