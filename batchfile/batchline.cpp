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

namespace {

// Whether the line is a label or a comment, once its leading blanks and "@" are gone.
bool isRemark(const QString& text) {
    return text.startsWith(u':') || (text.startsWith(QStringLiteral("rem"), Qt::CaseInsensitive) &&
                                     (text.size() == 3 || isBlank(text[3])));
}

// One line read character by character into its pipelines: the word being read, the command
// and pipeline it goes to, and a redirection waiting for its target.
class LineParser {
public:
    explicit LineParser(QString text) : m_text(std::move(text)) {}

    Line parse() {
        for (m_at = 0; m_at < m_text.size(); ++m_at)
            if (!take(m_text[m_at]))
                return failed();
        endWord();
        if (m_pending)
            return failed();
        if (m_command.words.isEmpty() && m_command.redirections.isEmpty()) {
            // Nothing after a final "&" is fine; nothing after "|", "&&" or "||" is not.
            if (!m_pipeline.commands.isEmpty() ||
                (!m_line.pipelines.isEmpty() && m_pipeline.joiner != Joiner::Always))
                return failed();
            return m_line;
        }
        endCommand();
        m_line.pipelines << m_pipeline;
        return m_line;
    }

private:
    QChar next() const { return m_at + 1 < m_text.size() ? m_text[m_at + 1] : QChar(); }

    // False when the character makes the line wrong.
    bool take(QChar c) {
        if (m_quoted) {
            if (c == u'"')
                m_quoted = false;
            else
                m_word += c;
            return true;
        }
        switch (c.unicode()) {
        case u'"':
            m_quoted = true;
            m_haveWord = true;
            m_plainWord = false;
            return true;
        case u'^':
            // A caret at the end of the line escapes nothing and is dropped.
            if (m_at + 1 < m_text.size()) {
                m_word += next();
                ++m_at;
                m_haveWord = true;
                m_plainWord = false;
            }
            return true;
        case u' ':
        case u'\t':
            endWord();
            return true;
        case u'&':
        case u'|':
            return join(c);
        case u'<':
        case u'>':
            return redirect(c);
        default:
            m_word += c;
            m_haveWord = true;
            return true;
        }
    }

    // "|" pipes into the next command; "&", "&&" and "||" begin the next pipeline.
    bool join(QChar c) {
        const bool doubled = next() == c;
        if (doubled)
            ++m_at;
        if (!endCommand())
            return false;
        if (c == u'|' && !doubled)
            return true;
        m_line.pipelines << m_pipeline;
        m_pipeline = {};
        m_pipeline.joiner = c == u'|' ? Joiner::IfFailed
                            : doubled ? Joiner::IfSucceeded
                                      : Joiner::Always;
        return true;
    }

    bool redirect(QChar c) {
        Redirection r;
        r.handle = c == u'<' ? 0 : 1;
        if (m_haveWord && m_plainWord && m_word.size() == 1 && isAsciiDigit(m_word[0])) {
            r.handle = m_word[0].digitValue();
            m_word.clear();
            m_haveWord = false;
        } else {
            endWord();
        }
        if (m_pending)
            return false;
        r.kind = c == u'<' ? Redirection::Kind::Read : Redirection::Kind::Write;
        if (c == u'>' && next() == u'>') {
            r.kind = Redirection::Kind::Append;
            ++m_at;
        }
        if (m_at + 2 < m_text.size() && m_text[m_at + 1] == u'&' &&
            isAsciiDigit(m_text[m_at + 2])) {
            r.kind = Redirection::Kind::Duplicate;
            r.target = m_text[m_at + 2];
            m_command.redirections << r;
            m_at += 2;
        } else {
            m_pending = r;
        }
        return true;
    }

    void endWord() {
        if (!m_haveWord)
            return;
        if (m_pending) {
            m_pending->target = m_word;
            m_command.redirections << *m_pending;
            m_pending.reset();
        } else {
            m_command.words << m_word;
        }
        m_word.clear();
        m_haveWord = false;
        m_plainWord = true;
    }

    bool endCommand() {
        endWord();
        if (m_pending || (m_command.words.isEmpty() && m_command.redirections.isEmpty()))
            return false;
        m_pipeline.commands << m_command;
        m_command = {};
        return true;
    }

    Line failed() {
        m_line.pipelines.clear();
        m_line.error = syntaxError();
        return m_line;
    }

    const QString m_text;
    qsizetype m_at = 0;
    Line m_line;
    Pipeline m_pipeline;
    Command m_command;
    QString m_word;
    bool m_haveWord = false; // a word has begun (quotes alone make an empty word)
    bool m_plainWord = true; // no quote and no caret in it, so "2" before ">" names a handle
    bool m_quoted = false;
    std::optional<Redirection> m_pending;
};

} // namespace

Line parseLine(const QString& input) {
    QString text = input;
    text.remove(u'\r');
    qsizetype start = 0;
    while (start < text.size() && (isBlank(text[start]) || text[start] == u'@'))
        ++start;
    text = text.mid(start);
    if (isRemark(text))
        return {};
    return LineParser(text).parse();
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
