#include "reflow.h"

#include "cp932.h"

#include <algorithm>
#include <vector>

namespace quillpix::reflow {
namespace {

constexpr char16_t kIdeographicSpace = 0x3000;
// A line that ends a sentence and is narrower than this share of the widest line of its block
// is a paragraph's last line.
constexpr double kShortLineShare = 0.7;

struct Line {
    QString text;
    QString end; // "\r\n", "\r", "\n" or "" for the last line without one
};

std::vector<Line> linesOf(const QString& text) {
    std::vector<Line> lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        const qsizetype endLength = (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
        lines.push_back({text.mid(start, i - start), text.mid(i, endLength)});
        i += endLength - 1;
        start = i + 1;
    }
    if (start < n)
        lines.push_back({text.mid(start), QString()});
    return lines;
}

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t';
}

bool isBlank(const QString& line) {
    for (QChar c : line)
        if (!isSpace(c) && c != kIdeographicSpace)
            return false;
    return true;
}

QString withoutTrailingSpaces(QString s) {
    while (!s.isEmpty() && isSpace(s.back()))
        s.chop(1);
    return s;
}

QString withoutLeadingSpaces(const QString& s) {
    qsizetype k = 0;
    while (k < s.size() && isSpace(s[k]))
        ++k;
    return s.mid(k);
}

// Latin text: printable ASCII other than the space.
bool isLatin(QChar c) {
    return c.unicode() > 0x20 && c.unicode() < 0x7f;
}

// The width a line takes on the page: Japanese characters twice a Latin letter's. Counted in
// the columns of the saved code page 932 text, so marks such as "○", "…" or Greek count two and
// a character without a code page 932 form (saved as "?") counts as narrow; the searchable
// PDF's text layer sets widths by Unicode block instead, as a typesetter would.
int widthOf(const QString& line) {
    int width = 0;
    for (QChar c : line)
        width += cp932::isDoubleByte(c) ? 2 : 1;
    return width;
}

bool endsSentence(const QString& line) {
    static const QString marks = QStringLiteral("。．！？」』）.!?)");
    const QString t = withoutTrailingSpaces(line);
    return !t.isEmpty() && marks.contains(t.back());
}

} // namespace

QString joinedParagraphs(const QString& text) {
    const std::vector<Line> lines = linesOf(text);
    QString out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < lines.size()) {
        if (isBlank(lines[i].text)) {
            out += lines[i].text + lines[i].end;
            ++i;
            continue;
        }
        // A block of lines between blank lines; its widest line tells what a full line is.
        size_t blockEnd = i;
        int widest = 0;
        while (blockEnd < lines.size() && !isBlank(lines[blockEnd].text)) {
            widest = std::max(widest, widthOf(withoutTrailingSpaces(lines[blockEnd].text)));
            ++blockEnd;
        }
        QString paragraph = lines[i].text;
        QString end = lines[i].end;
        for (size_t k = i + 1; k <= blockEnd; ++k) {
            const Line& previous = lines[k - 1];
            const bool lastLine =
                endsSentence(previous.text) &&
                widthOf(withoutTrailingSpaces(previous.text)) < kShortLineShare * widest;
            if (k == blockEnd || lines[k].text.startsWith(QChar(kIdeographicSpace)) || lastLine) {
                out += paragraph + end;
                if (k == blockEnd)
                    break;
                paragraph = lines[k].text;
                end = lines[k].end;
                continue;
            }
            paragraph = withoutTrailingSpaces(paragraph);
            const QString next = withoutLeadingSpaces(lines[k].text);
            if (!paragraph.isEmpty() && !next.isEmpty() && isLatin(paragraph.back()) &&
                isLatin(next.front()))
                paragraph += QLatin1Char(' ');
            paragraph += next;
            end = lines[k].end;
        }
        i = blockEnd;
    }
    return out;
}

QList<Replacement> changedStretches(const QString& text, const QString& joined) {
    QList<Replacement> stretches;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < text.size() || j < joined.size()) {
        if (i < text.size() && j < joined.size() && text[i] == joined[j]) {
            ++i;
            ++j;
            continue;
        }
        // A difference: text's characters go until they agree again; a space joining came
        // in where text has a character the join keeps.
        Replacement r{i, 0, 0};
        while (i < text.size() || j < joined.size()) {
            if (i < text.size() && j < joined.size() && text[i] == joined[j])
                break;
            const bool inserted = j < joined.size() && joined[j].isSpace() &&
                                  (i == text.size() || !text[i].isSpace());
            if (inserted) {
                ++r.added;
                ++j;
            } else if (i < text.size()) {
                ++r.removed;
                ++i;
            } else {
                ++r.added;
                ++j;
            }
        }
        stretches.prepend(r);
    }
    return stretches;
}

} // namespace quillpix::reflow
