#include "textfiles.h"

#include "cp932.h"
#include "failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

void writeWorkFile(const QByteArray& bytes, const QString& path) {
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        throw Failure(QStringLiteral("ファイルを書けません: %1\n%2").arg(path, file.errorString()));
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    // rename() replaces the old file in one step; QFile::rename would not replace it.
    if (::rename(QFile::encodeName(file.fileName()).constData(),
                 QFile::encodeName(path).constData()) != 0)
        throw Failure(QStringLiteral("ファイルを書けません: %1\n%2")
                          .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    file.setAutoRemove(false);
}

void write(const QByteArray& bytes, const QString& path, Durability durability) {
    if (durability == Durability::WorkFile)
        writeWorkFile(bytes, path);
    else
        writeAll(bytes, path);
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

void writeLines(const QStringList& list, const QString& path, Durability durability) {
    QString text;
    for (qsizetype i = 1; i < list.size(); ++i) {
        text += list[i];
        text += QStringLiteral("\r\n");
    }
    write(cp932::encode(text), path, durability);
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
    // Two linear passes over preallocated text; QString::replace grows the text piecemeal,
    // which on a large engine output costs more than the whole conversion.
    const qsizetype n = text.size();
    const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
    QString withCrLf(n + text.count(QLatin1Char('\n')), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(withCrLf.data());
    qsizetype w = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (in[i] == u'\n')
            out[w++] = u'\r';
        out[w++] = in[i];
    }
    // Then every CR CR pair becomes one CR, left to right, the result not searched again.
    const qsizetype m = w;
    w = 0;
    for (qsizetype i = 0; i < m; ++i) {
        out[w++] = out[i];
        if (out[i] == u'\r' && i + 1 < m && out[i + 1] == u'\r')
            ++i;
    }
    withCrLf.truncate(w);
    return withCrLf;
}

void convertUtf8ToSjis(const QString& source, const QString& target, Durability durability) {
    const QString text = normaliseLineEnds(cp932::decodeUtf8(readAll(source)));
    write(cp932::encode(text), target, durability);
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

QString savedResultPath(const QString& folder, const QString& pictureName, int page) {
    if (page < 0)
        return savedResultPath(folder, pictureName);
    return folder + QLatin1Char('/') + pictureName + QStringLiteral(".p%1.txt").arg(page + 1);
}

} // namespace quillpix::textfiles
