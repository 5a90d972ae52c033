#include "enginecall.h"

#include "batchline.h"
#include "commandline.h"

namespace quillpix::pipeline {

QString commandFor(const QString& folder, const EngineSettings& settings) {
    return buildCommandLine(folder, settings.psm, settings.lang, optionForBatch(settings.option));
}

CommandWords commandWords(const QString& batchText, const QProcessEnvironment& environment,
                          const QString& batchPath) {
    CommandWords result;
    int commands = 0;
    for (const QString& raw : batchText.split(QLatin1Char('\n'))) {
        const batchfile::Line line =
            batchfile::parseLine(batchfile::expandVariables(raw, environment, batchPath));
        if (!line.error.isEmpty()) {
            result.problem = QStringLiteral("コマンドの書き方が正しくありません: %1").arg(raw);
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
                        QStringLiteral("コマンドに文字認識エンジンの呼び出し以外のもの（2 つ目の"
                                       "コマンド、& | < > など）があります: %1")
                            .arg(raw.trimmed());
                    result.words.clear();
                    return result;
                }
                result.words = command.words;
            }
        }
    }
    if (commands == 0)
        result.problem = QStringLiteral("コマンドがありません。");
    return result;
}

} // namespace quillpix::pipeline
