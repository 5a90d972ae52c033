#include "reading.h"

#include "cleanup.h"
#include "commandline.h"
#include "cp932.h"
#include "reflow.h"
#include "savetext.h"
#include "textfiles.h"

#include <QCoreApplication>

namespace quillpix::pipeline {

QString noOutputReason() {
    return QCoreApplication::translate("pipeline", "文字認識エンジンが結果を書きませんでした");
}

bool Reading::anyVisible() const {
    return !removeWhitespace(engineText).isEmpty();
}

QByteArray Reading::savedBytes(textfiles::TextEncoding encoding) const {
    return savetext::savedBytes(boxText, encoding);
}

QString tidiedText(const QString& engineText, const TextRules& rules) {
    const QString clean = cleanup::cleanRecognizedText(engineText, rules.latin);
    return rules.paragraphs ? reflow::joinedParagraphs(clean) : clean;
}

namespace {

QString joined(const QStringList& pageTexts) {
    QString text;
    for (const QString& line : textfiles::joinPages(pageTexts))
        text += line + QLatin1String("\r\n");
    return text;
}

} // namespace

Reading joinedPages(const QList<Reading>& pages) {
    Reading reading;
    reading.written = !pages.isEmpty();
    QStringList engineTexts, boxTexts;
    for (const Reading& page : pages) {
        reading.written = reading.written && page.written;
        if (page.failed && !reading.failed) {
            reading.failed = true;
            reading.reason = page.reason;
        }
        engineTexts << page.engineText;
        boxTexts << page.boxText;
        reading.lostInShiftJis =
            cp932::unrepresentable(reading.lostInShiftJis + page.lostInShiftJis);
    }
    reading.engineText = joined(engineTexts);
    reading.boxText = joined(boxTexts);
    return reading;
}

Reading readOutput(const EngineOutput& output, const QString& codePageCopy, const TextRules& rules,
                   textfiles::TextEncoding savedIn) {
    Reading reading;
    reading.written = output.written;
    reading.failed = output.failed;
    reading.reason = output.reason;
    if (!output.written)
        return reading;
    const QByteArray sjis = textfiles::sjisFromUtf8(output.utf8);
    if (!codePageCopy.isEmpty())
        textfiles::writeBytes(sjis, codePageCopy, textfiles::Durability::WorkFile);
    reading.engineText = savedIn == textfiles::TextEncoding::Utf8
                             ? textfiles::linesOfUtf8(output.utf8)
                             : textfiles::linesOfCp932(sjis);
    reading.boxText = tidiedText(reading.engineText, rules);
    // What the clean-up leaves of the engine's own characters is what a UTF-8 result would
    // hold; the few a Shift-JIS result turns into "?" are told, so nothing goes silently.
    if (savedIn == textfiles::TextEncoding::ShiftJis) {
        const QString asRead = textfiles::linesOfUtf8(output.utf8);
        if (!cp932::unrepresentable(asRead).isEmpty())
            reading.lostInShiftJis = cp932::unrepresentable(tidiedText(asRead, rules));
    }
    return reading;
}

Reading read(EngineStep& engine, const QString& codePageCopy, const TextRules& rules,
             textfiles::TextEncoding savedIn) {
    return readOutput(engine.run(), codePageCopy, rules, savedIn);
}

} // namespace quillpix::pipeline
