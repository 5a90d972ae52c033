#include "batchsettings.h"

#include "commandline.h"
#include "failure.h"
#include "listfiles.h"
#include "textfiles.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace quillpix::folderbatch {
namespace {

QString firstItem(const QString& path) {
    if (!QFileInfo(path).isFile())
        return {};
    try {
        const QStringList items = textfiles::readLines(path);
        return items.isEmpty() ? QString() : items.first();
    } catch (const Failure&) {
        return {};
    }
}

} // namespace

ListDefaults listDefaults(const QString& programFolder) {
    ListDefaults d;
    d.psm = recognition::itemValue(firstItem(listFilePath(programFolder, ListFile::PSMode)));
    d.lang = firstItem(listFilePath(programFolder, ListFile::Lang));
    d.option = firstItem(listFilePath(programFolder, ListFile::Option));
    return d;
}

QStringList shellWords(const QString& text) {
    QStringList words;
    QString word;
    bool inWord = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u' ' || c == u'\t') {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == u'\'') {
            const qsizetype end = text.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype stop = end < 0 ? text.size() : end;
            word += text.mid(i + 1, stop - i - 1);
            i = stop;
        } else if (c == u'"') {
            for (++i; i < text.size() && text[i] != u'"'; ++i) {
                if (text[i] == u'\\' && i + 1 < text.size() &&
                    QStringView(u"\"\\$`").contains(text[i + 1]))
                    ++i;
                word += text[i];
            }
        } else if (c == u'\\' && i + 1 < text.size()) {
            word += text[++i];
        } else {
            word += c;
        }
    }
    if (inWord)
        words << word;
    return words;
}

QStringList engineSettingsWords(const Settings& settings) {
    QString tail = QStringLiteral("-l ") + settings.lang + QStringLiteral(" --psm ") +
                   settings.psm + QLatin1Char(' ') + recognition::optionForBatch(settings.option);
    // The batch file ends the engine's command at the first line end.
    const qsizetype end = tail.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (end >= 0)
        tail.truncate(end);
    return shellWords(tail);
}

} // namespace quillpix::folderbatch
