#include "textfiles.h"

#include "cp932.h"
#include "failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace quillpix::textfiles {
namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("ファイルを読めません: %1\n%2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(QStringLiteral("ファイルを読めません: %1\n%2").arg(path, file.errorString()));
    return bytes;
}

void writeAll(const QByteArray& bytes, const QString& path) {
    QSaveFile file(path);
    // commit() does not notice a failure of its own final flush (a full disk, a size limit):
    // it would put the cut-off file in place. Flushing first catches it, and a QSaveFile that
    // is never committed leaves the old file untouched.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit())
        throw Failure(QStringLiteral("ファイルを書けません: %1\n%2").arg(path, file.errorString()));
}

bool isHiddenName(const QString& name) {
    return name.startsWith(QLatin1Char('.'));
}

} // namespace

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        const qsizetype cr = text.indexOf(QLatin1Char('\r'), pos);
        if (cr < 0) {
            lines << text.mid(pos);
            break;
        }
        lines << text.mid(pos, cr - pos);
        pos = cr + 1;
        if (pos < n && text[pos] == QLatin1Char('\n'))
            ++pos;
    }
    return lines;
}

QString readTextFile(const QString& path) {
    const QStringList lines = readLines(path);
    QString result;
    for (const QString& line : lines) {
        result += line;
        result += QStringLiteral("\r\n");
    }
    return result;
}

QStringList readLines(const QString& path) {
    return splitLines(cp932::decode(readAll(path)));
}

void writeLines(const QStringList& list, const QString& path) {
    QString text;
    for (qsizetype i = 1; i < list.size(); ++i) {
        text += list[i];
        text += QStringLiteral("\r\n");
    }
    writeAll(cp932::encode(text), path);
}

bool fileExists(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (name.isEmpty())
        return false;
    if (!name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?')))
        return info.isFile() && !isHiddenName(name);
    // Only "*" and "?" are wildcards; everything else in the name matches itself.
    QString pattern;
    for (QChar c : name) {
        if (c == QLatin1Char('*'))
            pattern += QStringLiteral(".*");
        else if (c == QLatin1Char('?'))
            pattern += QLatin1Char('.');
        else
            pattern += QRegularExpression::escape(QString(c));
    }
    const QRegularExpression re(QRegularExpression::anchoredPattern(pattern),
                                QRegularExpression::CaseInsensitiveOption);
    const QStringList names = QDir(info.path()).entryList(QDir::Files);
    for (const QString& candidate : names)
        if (!isHiddenName(candidate) && re.match(candidate).hasMatch())
            return true;
    return false;
}

QString normaliseLineEnds(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    out.replace(QStringLiteral("\r\r"), QStringLiteral("\r"));
    return out;
}

void convertUtf8ToSjis(const QString& source, const QString& target) {
    const QString text = normaliseLineEnds(cp932::decodeUtf8(readAll(source)));
    writeAll(cp932::encode(text), target);
}

QString parentFolder(const QString& path) {
    // The last character is never examined, so a trailing "/" does not count.
    for (qsizetype k = path.size() - 2; k >= 0; --k)
        if (path[k] == QLatin1Char('/'))
            return path.left(k);
    return {};
}

QString savedResultPath(const QString& folder, const QString& pictureName) {
    return folder + QLatin1Char('/') + pictureName + QStringLiteral(".txt");
}

} // namespace quillpix::textfiles
