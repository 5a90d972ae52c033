#include "residentfirst.h"

#include "batchfilerun.h"
#include "cp932.h"
#include "residentengine.h"

#include <QFile>
#include <QFileInfo>
#include <QFuture>

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
                             engine::ResidentEngine& engine, QWidget* consoleParent,
                             const std::function<bool()>& stopRequested,
                             const std::function<void(int)>& progressed) {
    BatchReport report;
    QFile file(batchPath);
    if (QFileInfo(batchPath).isDir() || !file.open(QIODevice::ReadOnly))
        return report;
    const QString text = cp932::decode(file.readAll());
    file.close();
    const QString folder = QFileInfo(batchPath).absolutePath();
    QList<enginelayout::Line> lines;
    const engine::Outcome outcome =
        engine.runBatchText(text, folder, batchPath, &lines, stopRequested, progressed);
    if (outcome != engine::Outcome::NotResident) {
        report.started = true;
        report.stopped = outcome == engine::Outcome::Cancelled;
        report.resident = true;
        report.lastProgram = QStringLiteral("tesseract");
        report.exitCode = outcome == engine::Outcome::Written ? 0 : 1;
        report.engineRan = true;
        report.engineExitCode = report.exitCode;
        if (outcome == engine::Outcome::Written)
            report.lines = std::move(lines);
        return report;
    }
    const batchfile::Console console = style == WindowStyle::NormalWithFocus
                                           ? batchfile::Console::Window
                                           : batchfile::Console::None;
    const batchfile::BatchReport run =
        batchfile::runBatchFile(batchPath, console, consoleParent, stopRequested);
    report.started = run.read;
    report.stopped = run.stopped;
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

QStringList alternativesAt(const QImage& picture, const QRect& box, bool vertical,
                           engine::ResidentEngine& engine) {
    if (box.isEmpty() || picture.isNull() || !engine::ResidentEngine::enabledByEnvironment())
        return {};
    // Four characters of the line on either side give the engine the context it read them in.
    constexpr int kContext = 4;
    const int across = std::max(box.width(), box.height());
    const QRect stretch =
        (vertical ? box.adjusted(-across / 2, -kContext * across, across / 2, kContext * across)
                  : box.adjusted(-kContext * across, -across / 2, kContext * across, across / 2))
            .intersected(picture.rect());
    if (stretch.isEmpty())
        return {};
    QImage part = picture.copy(stretch);
    part.setDotsPerMeterX(picture.dotsPerMeterX());
    part.setDotsPerMeterY(picture.dotsPerMeterY());
    engine::PlainCall call;
    call.languages = vertical ? QStringLiteral("jpn_vert") : QStringLiteral("jpn");
    call.psm = vertical ? 5 : 7; // one column, one line
    QFuture<engine::PictureText> reading =
        engine.startReading(call, part, true, {}, enginelayout::Alternatives::With);
    reading.waitForFinished();
    const engine::PictureText text = reading.result();
    if (text.outcome != engine::Outcome::Written)
        return {};
    // The symbol that covers most of the box.
    const QRect target = box.translated(-stretch.topLeft());
    const enginelayout::Symbol* best = nullptr;
    qint64 bestArea = 0;
    for (const enginelayout::Line& line : text.lines)
        for (const enginelayout::Symbol& symbol : line.symbols) {
            const QRect common = symbol.box.intersected(target);
            const qint64 area = qint64(common.width()) * common.height();
            if (!common.isEmpty() && area > bestArea) {
                best = &symbol;
                bestArea = area;
            }
        }
    if (!best)
        return {};
    QStringList choices{best->text};
    for (const QString& alternative : best->alternatives)
        if (!choices.contains(alternative))
            choices << alternative;
    return choices;
}

} // namespace quillpix
