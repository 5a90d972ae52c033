#include "batchline.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace quillpix::batchfile {
namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QString syntaxError() {
    return QCoreApplication::translate("batchfile", "コマンドの書き方が正しくありません。");
}

// An environment variable by name; names are compared without regard to case when no name
// matches exactly, as the interpreter does.
std::optional<QString> variable(const QProcessEnvironment& environment, const QString& name) {
    if (environment.contains(name))
        return environment.value(name);
    for (const QString& key : environment.keys())
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return environment.value(key);
    return std::nullopt;
}

// %~0 and its modifiers f, d, p, n and x applied to the batch's path; there are no drives.
QString batchPathWithModifiers(const QString& batchPath, const QString& modifiers) {
    const QString m = modifiers.toLower();
    const QFileInfo info(batchPath);
    if (!m.contains(u'p') && !m.contains(u'n') && !m.contains(u'x'))
        return m.contains(u'f') ? info.absoluteFilePath() : batchPath;
    QString out;
    if (m.contains(u'p'))
        out += info.absolutePath() + QLatin1Char('/');
    if (m.contains(u'n'))
        out += info.completeBaseName();
    if (m.contains(u'x') && !info.suffix().isEmpty())
        out += QLatin1Char('.') + info.suffix();
    return out;
}

} // namespace

QString expandVariables(const QString& line, const QProcessEnvironment& environment,
                        const QString& batchPath) {
    QString out;
    out.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] != u'%') {
            out += line[i];
            continue;
        }
        // A lone "%" at the end of the line is dropped.
        if (i + 1 >= line.size())
            break;
        const QChar next = line[i + 1];
        if (next == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        // The batch has no arguments: %1 to %9 and %* are empty.
        if (isAsciiDigit(next) || next == u'*') {
            if (next == u'0')
                out += batchPath;
            ++i;
            continue;
        }
        if (next == u'~') {
            qsizetype j = i + 2;
            while (j < line.size() && isAsciiLetter(line[j]))
                ++j;
            const QString modifiers = line.mid(i + 2, j - i - 2);
            const bool known = std::all_of(modifiers.begin(), modifiers.end(), [](QChar c) {
                return QStringLiteral("fdpnxFDPNX").contains(c);
            });
            if (j < line.size() && isAsciiDigit(line[j]) && known) {
                if (line[j] == u'0')
                    out += batchPathWithModifiers(batchPath, modifiers);
                i = j;
                continue;
            }
        }
        const qsizetype close = line.indexOf(u'%', i + 1);
        // A "%" with no partner is dropped, and so is a variable that is not set.
        if (close < 0)
            continue;
        out += variable(environment, line.mid(i + 1, close - i - 1)).value_or(QString());
        i = close;
    }
    return out;
}

Line parseLine(const QString& input) {
    Line line;
    QString text = input;
    text.remove(u'\r');
    qsizetype start = 0;
    while (start < text.size() && (isBlank(text[start]) || text[start] == u'@'))
        ++start;
    text = text.mid(start);
    // Labels and comments.
    if (text.startsWith(u':') || (text.startsWith(QStringLiteral("rem"), Qt::CaseInsensitive) &&
                                  (text.size() == 3 || isBlank(text[3]))))
        return line;

    Pipeline pipeline;
    Command command;
    QString word;
    bool haveWord = false; // a word has begun (quotes alone make an empty word)
    bool plainWord = true; // no quote and no caret in it, so "2" before ">" names a handle
    bool quoted = false;
    std::optional<Redirection> pending;
    const auto endWord = [&] {
        if (!haveWord)
            return;
        if (pending) {
            pending->target = word;
            command.redirections << *pending;
            pending.reset();
        } else {
            command.words << word;
        }
        word.clear();
        haveWord = false;
        plainWord = true;
    };
    const auto endCommand = [&] {
        endWord();
        if (pending || (command.words.isEmpty() && command.redirections.isEmpty()))
            return false;
        pipeline.commands << command;
        command = {};
        return true;
    };
    const auto failed = [&] {
        line.pipelines.clear();
        line.error = syntaxError();
        return line;
    };

    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (quoted) {
            if (c == u'"')
                quoted = false;
            else
                word += c;
            continue;
        }
        switch (c.unicode()) {
        case u'"':
            quoted = true;
            haveWord = true;
            plainWord = false;
            break;
        case u'^':
            // A caret at the end of the line escapes nothing and is dropped.
            if (i + 1 < text.size()) {
                word += next;
                ++i;
                haveWord = true;
                plainWord = false;
            }
            break;
        case u' ':
        case u'\t':
            endWord();
            break;
        case u'&':
        case u'|': {
            const bool doubled = next == c;
            if (doubled)
                ++i;
            if (!endCommand())
                return failed();
            if (c == u'|' && !doubled)
                break;
            line.pipelines << pipeline;
            pipeline = {};
            pipeline.joiner = c == u'|' ? Joiner::IfFailed
                              : doubled ? Joiner::IfSucceeded
                                        : Joiner::Always;
            break;
        }
        case u'<':
        case u'>': {
            Redirection r;
            r.handle = c == u'<' ? 0 : 1;
            if (haveWord && plainWord && word.size() == 1 && isAsciiDigit(word[0])) {
                r.handle = word[0].digitValue();
                word.clear();
                haveWord = false;
            } else {
                endWord();
            }
            if (pending)
                return failed();
            r.kind = c == u'<' ? Redirection::Kind::Read : Redirection::Kind::Write;
            if (c == u'>' && next == u'>') {
                r.kind = Redirection::Kind::Append;
                ++i;
            }
            if (i + 2 < text.size() && text[i + 1] == u'&' && isAsciiDigit(text[i + 2])) {
                r.kind = Redirection::Kind::Duplicate;
                r.target = text[i + 2];
                command.redirections << r;
                i += 2;
            } else {
                pending = r;
            }
            break;
        }
        default:
            word += c;
            haveWord = true;
        }
    }
    endWord();
    if (pending)
        return failed();
    if (command.words.isEmpty() && command.redirections.isEmpty()) {
        // Nothing after a final "&" is fine; nothing after "|", "&&" or "||" is not.
        if (!pipeline.commands.isEmpty() ||
            (!line.pipelines.isEmpty() && pipeline.joiner != Joiner::Always))
            return failed();
        return line;
    }
    endCommand();
    line.pipelines << pipeline;
    return line;
}

QStringList splitWords(const QString& line, const QProcessEnvironment& environment) {
    const Line parsed = parseLine(expandVariables(line, environment));
    if (parsed.pipelines.isEmpty())
        return {};
    return parsed.pipelines.first().commands.first().words;
}

QString findProgram(const QString& word, const QString& folder,
                    const QProcessEnvironment& environment) {
    const auto runnable = [](const QString& path) {
        const QFileInfo info(path);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    };
    if (word.isEmpty())
        return {};
    if (word.contains(u'/'))
        return runnable(QDir(folder).absoluteFilePath(word));
    const QStringList path =
        environment.value(QStringLiteral("PATH")).split(u':', Qt::SkipEmptyParts);
    for (const QString& dir : path)
        if (const QString found = runnable(QDir(QDir(folder).absoluteFilePath(dir)).filePath(word));
            !found.isEmpty())
            return found;
    return {};
}

} // namespace quillpix::batchfile
