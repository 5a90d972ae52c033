#include "workfolder.h"

#include "automatic.h"
#include "batchfilestep.h"
#include "commandline.h"
#include "failure.h"
#include "librarymessages.h"
#include "textfiles.h"
#include "workpicture.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace quillpix::recognition {

using namespace pipeline;
namespace {

QString fileIn(const QString& folder, const QString& name) {
    return folder + QLatin1Char('/') + name;
}

// The picture as tmp.bmp, read back; a problem when it cannot be written or read.
QString writePicture(const QString& folder, const QImage& prepared, SentRun& sent) {
    const QString bitmap = fileIn(folder, QStringLiteral("tmp.bmp"));
    try {
        writeWorkPicture(prepared, bitmap);
    } catch (const Failure& failure) {
        return failure.text();
    }
    sent.sentPicture = QImage(bitmap, "BMP");
    if (sent.sentPicture.isNull())
        return QCoreApplication::translate("pipeline", "作業用の画像ファイルを読めません: %1")
            .arg(bitmap);
    return {};
}

// The command as tess.bat, and the last result taken away so that a result found after the
// run can only be this run's.
QString writeCommand(const QString& folder, const QString& command, SentRun& sent) {
    // A "?" in place of a path's character would send the engine to another file.
    if (QString unwritable = unwritableCommandMessage(command); !unwritable.isEmpty())
        return unwritable;
    try {
        // The command may hold CR LF, which gives further lines.
        textfiles::writeLines({command}, fileIn(folder, QStringLiteral("tess.bat")),
                              textfiles::Durability::WorkFile);
    } catch (const Failure& failure) {
        return failure.text();
    }
    sent.command = command;
    const QString result = fileIn(folder, QStringLiteral("tmp.txt"));
    // The engine could never write its result there, and the user would be told it failed.
    if (QFileInfo(result).isDir())
        return QCoreApplication::translate("pipeline",
                                           "文字認識結果ファイルの場所にフォルダがあります。"
                                           "このフォルダを移すか名前を変えてください: %1")
            .arg(result);
    if (textfiles::isVisibleFile(result) && !QFile::remove(result))
        return QCoreApplication::translate("pipeline",
                                           "前回の文字認識結果ファイルを削除できません: %1")
            .arg(result);
    return {};
}

SentRun send(const QString& folder, const QImage& prepared, const QString& command) {
    SentRun sent;
    sent.problem = writePicture(folder, prepared, sent);
    if (sent.problem.isEmpty())
        sent.problem = writeCommand(folder, command, sent);
    return sent;
}

// The picture prepared for the settings; problem says why it cannot go to the engine: a step of
// the analysis failed (its plan says so, or the picture library reported an error on the way),
// and what it left is no picture to read.
PreparedPicture preparedForRun(const QImage& picture, const EngineSettings& settings,
                               Spreads spreads, QString& problem) {
    const pagelayout::LibraryMessages messages;
    PreparedPicture prepared =
        prepare(picture, settings, pagelayout::RunningHeads::LeftOut, spreads);
    if (!prepared.plan.failure.isEmpty())
        problem = prepared.plan.failure;
    else if (!messages.errors().isEmpty())
        problem =
            QCoreApplication::translate(
                "pipeline", "自動の読み取りで画像 (%1 × %2 ピクセル) を調べられませんでした: %3")
                .arg(picture.width())
                .arg(picture.height())
                .arg(messages.errors().join(QStringLiteral("; ")));
    return prepared;
}

} // namespace

PlannedRuns planRuns(const QImage& picture, const EngineSettings& settings) {
    PlannedRuns runs;
    // A spread's two pages are read one after the other, as the folder batch reads them.
    runs.prepared = preparedForRun(picture, settings, Spreads::TwoPages, runs.problem);
    if (!runs.problem.isEmpty())
        return runs;
    runs.reads = engineReads(runs.prepared);
    if (isAutomatic(settings))
        runs.explanation = automaticChoiceExplained(runs.prepared);
    return runs;
}

SentRun sendPlannedRun(const QString& folder, const PlannedRuns& runs, size_t run) {
    if (!runs.problem.isEmpty() || run >= runs.reads.size())
        return {{}, {}, runs.problem, {}, {}};
    const EngineRead& read = runs.reads[run];
    SentRun sent = send(folder, read.picture, commandFor(folder, read.settings));
    sent.explanation = runs.explanation;
    sent.prepared = runs.prepared;
    return sent;
}

SentRun sendRun(const QString& folder, const QImage& picture, const EngineSettings& settings) {
    return sendPlannedRun(folder, planRuns(picture, settings), 0);
}

SentRun sendCommand(const QString& folder, const QImage& picture, bool automaticPixels,
                    const QString& command) {
    const EngineSettings preparedAs{automaticPixels ? automaticLanguage() : QString(), {}, {}};
    QString problem;
    // One command reads one picture: a spread goes to it whole.
    const PreparedPicture prepared =
        preparedForRun(picture, preparedAs, Spreads::OnePicture, problem);
    if (!problem.isEmpty())
        return {{}, {}, problem, {}, {}};
    SentRun sent = send(folder, prepared.picture, command);
    sent.prepared = prepared;
    return sent;
}

Reading readSentRun(Platform& platform, const QString& folder, WindowStyle style,
                    const TextRules& rules, QList<enginelayout::Line>* lines,
                    std::function<bool()> stopRequested, std::function<void(int)> progressed) {
    BatchFileStep engine(platform, fileIn(folder, QStringLiteral("tess.bat")),
                         fileIn(folder, QStringLiteral("tmp.txt")), style, std::move(stopRequested),
                         std::move(progressed));
    // The engine writes UTF-8: the result box keeps the characters Shift-JIS lacks (saving
    // asks about them), only the work file tmp_sjis.txt has "?" in their place.
    Reading reading = read(engine, fileIn(folder, QStringLiteral("tmp_sjis.txt")), rules,
                           textfiles::TextEncoding::Utf8);
    if (lines)
        *lines = engine.report().lines;
    return reading;
}

} // namespace quillpix::recognition
