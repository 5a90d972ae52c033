#include "plaincall.h"

#include "batchline.h"
#include "libraryparameters.h"

#include <QDir>
#include <QRegularExpression>

namespace quillpix::engine {
namespace {

// Digits only, at most maxDigits of them; nullopt otherwise.
std::optional<int> smallNumber(const QString& text, int maxDigits) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (text.size() > maxDigits || !digits.match(text).hasMatch())
        return std::nullopt;
    return text.toInt();
}

bool isName(const QString& text) {
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_]+$"));
    return name.match(text).hasMatch();
}

bool isLanguageList(const QString& text) {
    static const QRegularExpression list(QStringLiteral("^[A-Za-z0-9_]+(\\+[A-Za-z0-9_]+)*$"));
    return list.match(text).hasMatch();
}

// A config is looked up by name in the language data's config folders; a name with a path or
// an option's look goes to the command line.
bool isConfigName(const QString& text) {
    static const QRegularExpression config(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.+-]*$"));
    return config.match(text).hasMatch();
}

// A value the engine takes as a file or folder: not empty, not an option.
bool isPathValue(const QString& text) {
    return !text.isEmpty() && !text.startsWith(QLatin1Char('-'));
}

// The name and value of a config line, nullopt for a comment or a blank line. Blanks before
// the name are skipped, so such a line counts (the engine itself would not take it).
std::optional<std::pair<QString, QString>> settingOfLine(QString line) {
    while (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    qsizetype start = 0;
    while (start < line.size() && (line[start] == u' ' || line[start] == u'\t'))
        ++start;
    if (start == line.size() || line[start] == u'#')
        return std::nullopt;
    qsizetype end = start;
    while (end < line.size() && line[end] != u' ' && line[end] != u'\t')
        ++end;
    qsizetype value = end;
    while (value < line.size() && (line[value] == u' ' || line[value] == u'\t'))
        ++value;
    return std::pair{line.mid(start, end - start), line.mid(value)};
}

} // namespace

bool residentVariable(const QString& name, const QString& value) {
    if (!isName(name) || name.size() > 255 || value.size() > 254 || processWideVariable(name))
        return false;
    if (name == QLatin1String("tessedit_create_txt"))
        return true;
    // Other outputs, training, files relative to the working folder, windows, debugging
    // output and the choice of arithmetic all behave differently inside this program.
    static const char* const refused[] = {
        "create_",  "write", "train", "resegment", "ambigs",     "box",    "file",       "display",
        "interact", "show",  "debug", "print",     "dump",       "image",  "pdf",        "hocr",
        "tsv",      "unlv",  "alto",  "xml",       "dotproduct", "stream", "page_number"};
    const QString lower = name.toLower();
    for (const char* part : refused)
        if (lower.contains(QLatin1String(part)))
            return false;
    return true;
}

QList<std::pair<QString, QString>> configSettings(const QString& configText) {
    QList<std::pair<QString, QString>> settings;
    for (const QString& line : configText.split(QLatin1Char('\n')))
        if (auto setting = settingOfLine(line))
            settings << *setting;
    return settings;
}

QStringList refusedConfigLines(const QString& configText) {
    QStringList refused;
    for (QString line : configText.split(QLatin1Char('\n'))) {
        const auto setting = settingOfLine(line);
        if (setting && !residentVariable(setting->first, setting->second)) {
            while (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            refused << line;
        }
    }
    return refused;
}

std::optional<PlainCall> plainCall(const QStringList& words) {
    if (words.isEmpty() || words[0] != QLatin1String("tesseract"))
        return std::nullopt;
    for (const QString& word : words)
        if (word.isEmpty())
            return std::nullopt;

    PlainCall call;
    bool haveImage = false;
    bool haveOutput = false;
    qsizetype i = 1;
    // Options may stand before the picture and after the output base; the output base is the
    // word right after the picture; the first word after it that is no option starts the
    // config names.
    for (; i < words.size() && (!haveOutput || words[i].startsWith(QLatin1Char('-'))); ++i) {
        const QString& word = words[i];
        if (haveImage && !haveOutput) {
            if (word.startsWith(QLatin1Char('-')) || word == QLatin1String("stdout"))
                return std::nullopt;
            call.outputBase = word;
            haveOutput = true;
            continue;
        }
        if (!word.startsWith(QLatin1Char('-'))) {
            if (haveImage || word == QLatin1String("stdin"))
                return std::nullopt;
            call.image = word;
            haveImage = true;
            continue;
        }
        if (i + 1 >= words.size() || words[i + 1].startsWith(QLatin1Char('-')))
            return std::nullopt;
        const QString& value = words[++i];
        if (word == QLatin1String("-l")) {
            if (!isLanguageList(value))
                return std::nullopt;
            call.languages = value;
        } else if (word == QLatin1String("--psm")) {
            // 0 writes the orientation report and 2 writes nothing: not the text output.
            const auto psm = smallNumber(value, 2);
            if (!psm || *psm < 1 || *psm == 2 || *psm > 13)
                return std::nullopt;
            call.psm = *psm;
        } else if (word == QLatin1String("--oem")) {
            const auto oem = smallNumber(value, 1);
            if (!oem || *oem > 3)
                return std::nullopt;
            call.oem = *oem;
        } else if (word == QLatin1String("--dpi")) {
            const auto dpi = smallNumber(value, 6);
            if (!dpi)
                return std::nullopt;
            call.dpi = *dpi;
        } else if (word == QLatin1String("-c")) {
            const qsizetype equals = value.indexOf(QLatin1Char('='));
            if (equals < 0 || !residentVariable(value.left(equals), value.mid(equals + 1)))
                return std::nullopt;
            call.variables.append({value.left(equals), value.mid(equals + 1)});
        } else if (word == QLatin1String("--tessdata-dir") && isPathValue(value)) {
            call.tessdataDir = value;
        } else if (word == QLatin1String("--user-words") && isPathValue(value)) {
            call.userWords = value;
        } else if (word == QLatin1String("--user-patterns") && isPathValue(value)) {
            call.userPatterns = value;
        } else {
            return std::nullopt;
        }
    }
    if (!haveOutput)
        return std::nullopt;
    for (; i < words.size(); ++i) {
        if (!isConfigName(words[i]))
            return std::nullopt;
        call.configs << words[i];
    }
    return call;
}

std::optional<PlainCall> plainCallOfBatch(const QString& batchText,
                                          const QProcessEnvironment& environment,
                                          const QString& batchPath) {
    std::optional<batchfile::Command> only;
    for (const QString& raw : batchText.split(QLatin1Char('\n'))) {
        const batchfile::Line line =
            batchfile::parseLine(batchfile::expandVariables(raw, environment, batchPath));
        // The runner reports a line it cannot read and goes on with the next one.
        if (!line.error.isEmpty())
            return std::nullopt;
        if (line.pipelines.isEmpty())
            continue;
        if (only || line.pipelines.size() != 1 || line.pipelines.first().commands.size() != 1)
            return std::nullopt;
        only = line.pipelines.first().commands.first();
    }
    if (!only || !only->redirections.isEmpty())
        return std::nullopt;
    return plainCall(only->words);
}

PlainCall resolvedAgainst(const PlainCall& call, const QString& folder) {
    const QDir base(folder);
    const auto absolute = [&](const QString& path) {
        return path.isEmpty() ? path : QDir::cleanPath(base.absoluteFilePath(path));
    };
    PlainCall resolved = call;
    resolved.image = absolute(call.image);
    resolved.outputBase = absolute(call.outputBase);
    resolved.tessdataDir = absolute(call.tessdataDir);
    resolved.userWords = absolute(call.userWords);
    resolved.userPatterns = absolute(call.userPatterns);
    return resolved;
}

} // namespace quillpix::engine
