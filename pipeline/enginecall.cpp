#include "enginecall.h"

#include "batchline.h"
#include "commandline.h"

#include <QCoreApplication>

namespace quillpix::pipeline {

EngineSettings settingsOfItems(const QString& langItem, const QString& psmItem,
                               const QString& optionItem) {
    return {langItem, itemValue(psmItem), optionItem};
}

namespace {

// The one engine command a batch text holds, read as the runner reads it.
CommandWords commandWords(const QString& batchText, const QProcessEnvironment& environment) {
    CommandWords result;
    int commands = 0;
    for (const QString& raw : batchText.split(QLatin1Char('\n'))) {
        const batchfile::Line line =
            batchfile::parseLine(batchfile::expandVariables(raw, environment, {}));
        if (!line.error.isEmpty()) {
            result.problem =
                QCoreApplication::translate("pipeline", "コマンドの書き方が正しくありません: %1")
                    .arg(raw);
            return result;
        }
        for (const batchfile::Pipeline& pipeline : line.pipelines) {
            for (const batchfile::Command& command : pipeline.commands) {
                const bool pause =
                    command.words.size() == 1 &&
                    command.words.first().compare(QLatin1String("pause"), Qt::CaseInsensitive) == 0;
                if (pause && command.redirections.isEmpty())
                    continue;
                if (++commands > 1 || !command.redirections.isEmpty()) {
                    result.problem =
                        QCoreApplication::translate(
                            "pipeline", "コマンドに文字認識エンジンの呼び出し以外のもの（2 つ目の"
                                        "コマンド、& | < > など）があります: %1")
                            .arg(raw.trimmed());
                    result.words.clear();
                    return result;
                }
                result.words = command.words;
            }
        }
    }
    return result;
}

} // namespace

QString commandFor(const QString& folder, const EngineSettings& settings) {
    return buildCommandLine(folder, settings.psm, settings.lang, optionForBatch(settings.option));
}

CommandWords engineWords(const QString& folder, const EngineSettings& settings,
                         const QProcessEnvironment& environment) {
    // The lists' text goes after the paths as the command writes it, and is split once.
    CommandWords words =
        commandWords(QStringLiteral("-l %1 --psm %2 %3")
                         .arg(settings.lang, settings.psm, optionForBatch(settings.option)),
                     environment);
    if (words.problem.isEmpty())
        words.words =
            QStringList{QStringLiteral("tesseract"), workFile(folder, QStringLiteral("tmp.bmp")),
                        workFile(folder, QStringLiteral("tmp"))} +
            words.words;
    return words;
}

} // namespace quillpix::pipeline
