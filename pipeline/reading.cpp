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

// The regions' texts one after the other, line after line.
QString regionsJoined(const QStringList& texts) {
    QString text;
    for (const QString& one : texts) {
        QStringList lines = textfiles::splitLines(one);
        while (!lines.isEmpty() && removeWhitespace(lines.last()).isEmpty())
            lines.removeLast();
        for (const QString& line : lines)
            text += line + QLatin1String("\r\n");
    }
    return text;
}

// Readings of parts of one picture as one: written when every part was, failed with the first
// failure's reason; the texts joined by `join`.
Reading joinedReadings(const QList<Reading>& parts, QString (*join)(const QStringList&)) {
    Reading reading;
    reading.written = !parts.isEmpty();
    QStringList engineTexts, boxTexts;
    for (const Reading& page : parts) {
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
    reading.engineText = join(engineTexts);
    reading.boxText = join(boxTexts);
    return reading;
}

} // namespace

Reading joinedPages(const QList<Reading>& pages) {
    return joinedReadings(pages, joined);
}

Reading joinedRegions(const QList<Reading>& regions) {
    if (regions.size() == 1)
        return regions.front();
    return joinedReadings(regions, regionsJoined);
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
