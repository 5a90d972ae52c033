#include "booktext.h"

#include "failure.h"
#include "textfiles.h"
#include "writeplace.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace quillpix::booktext {

QStringList documentPageResults(const QString& folder, const QString& fileName, int pageCount) {
    QStringList paths;
    if (pageCount < 2)
        return paths;
    for (int page = 0; page < pageCount; ++page)
        paths << textfiles::savedResultPath(folder, fileName, page);
    return paths;
}

QString documentTextPath(const QString& folder, const QString& fileName) {
    return textfiles::savedResultPath(folder, fileName);
}

QStringList bookResults(const QString& folder, const QList<pictures::ListEntry>& entries) {
    QStringList paths;
    for (const pictures::ListEntry& entry : entries)
        paths << textfiles::savedResultPath(folder, entry.fileName, entry.page);
    return paths;
}

QList<int> missingResults(const QStringList& resultPaths) {
    QList<int> missing;
    for (qsizetype i = 0; i < resultPaths.size(); ++i)
        if (!textfiles::isVisibleFile(resultPaths[i]))
            missing << int(i);
    return missing;
}

PageTexts readResults(const QStringList& resultPaths, textfiles::TextEncoding asked) {
    PageTexts pages;
    pages.encoding = asked;
    for (qsizetype i = 0; i < resultPaths.size(); ++i) {
        try {
            const textfiles::SavedText saved = textfiles::readSavedText(resultPaths[i]);
            pages.texts << saved.text;
            if (saved.encoding == textfiles::TextEncoding::Utf8)
                pages.encoding = textfiles::TextEncoding::Utf8;
        } catch (const Failure& failure) {
            pages.unreadable = int(i);
            pages.why = failure.text();
            return pages;
        }
    }
    return pages;
}

textfiles::TextEncoding joinedEncoding(const QStringList& resultPaths,
                                       textfiles::TextEncoding asked) {
    for (const QString& path : resultPaths)
        if (textfiles::encodingOf(path) == textfiles::TextEncoding::Utf8)
            return textfiles::TextEncoding::Utf8;
    return asked;
}

QList<int> writeJoined(const QStringList& resultPaths, const QString& target,
                       textfiles::TextEncoding encoding) {
    const QList<int> missing = missingResults(resultPaths);
    if (!missing.isEmpty() || resultPaths.isEmpty())
        return missing;
    const PageTexts pages = readResults(resultPaths, encoding);
    if (pages.unreadable >= 0)
        throw Failure(pages.why);
    textfiles::writeLines(textfiles::joinPages(pages.texts), target, textfiles::Durability::Synced,
                          pages.encoding);
    return {};
}

namespace {

// What a written file is: a file saved over it, even of the same size in the same second,
// is another file (a new file number) or has another modification time.
QByteArray fileStamp(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return QByteArray::number(qint64(st.st_size)) + ' ' + QByteArray::number(qint64(st.st_ino)) +
           ' ' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_mtim.tv_nsec));
}

// A mark is a few bytes of the program's own; anything else found there is no mark.
QByteArray markOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > 256)
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(256) : QByteArray();
}

int pageBreaks(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    try {
        return int(textfiles::splitLines(textfiles::readSavedResult(path))
                       .count(textfiles::pageBreakLine()));
    } catch (const Failure&) {
        return -1;
    }
}

} // namespace

QString writtenMarkPath(const QString& folder, const QString& target) {
    const QString root = folder + QStringLiteral("/.quillpix/written/");
    if (target.startsWith(folder + QLatin1Char('/')))
        return root + target.mid(folder.size() + 1);
    return root + QStringLiteral("outside/") +
           QString::fromLatin1(
               QCryptographicHash::hash(QDir::cleanPath(target).toUtf8(), QCryptographicHash::Sha1)
                   .toHex());
}

void markWritten(const QString& folder, const QString& target) {
    const QString mark = writtenMarkPath(folder, target);
    textfiles::requireWritePlace(mark, folder);
    if (!QDir().mkpath(textfiles::parentFolder(mark)))
        throw Failure(QCoreApplication::translate("booktext", "フォルダを作れません: %1")
                          .arg(textfiles::parentFolder(mark)));
    textfiles::writeBytes(fileStamp(target), mark, textfiles::Durability::WorkFile);
}

bool ownOutput(const QString& folder, const QString& target, bool joined) {
    struct stat st {};
    if (::lstat(QFile::encodeName(target).constData(), &st) != 0)
        return true;
    const QByteArray stamp = fileStamp(target);
    if (!stamp.isEmpty() && markOf(writtenMarkPath(folder, target)) == stamp)
        return true;
    // An earlier version kept no marks: its joined text is told by its page breaks. A file
    // the program has marked once and that changed since is the user's now.
    return joined && markOf(writtenMarkPath(folder, target)).isEmpty() && pageBreaks(target) > 0;
}

bool upToDate(const QString& target, const QStringList& sources) {
    const QFileInfo written(target);
    if (!written.isFile())
        return false;
    const QDateTime when = written.lastModified();
    for (const QString& source : sources) {
        const QFileInfo info(source);
        if (!info.isFile() || info.lastModified() > when)
            return false;
    }
    return true;
}

bool upToDate(const QString& target, const QStringList& sources, textfiles::TextEncoding encoding) {
    return upToDate(target, sources) &&
           textfiles::writtenIn(target, joinedEncoding(sources, encoding));
}

QList<int> pageResultChanged(const QString& folder, const QString& fileName, int page) {
    if (page < 0)
        return {};
    const int pages = pictures::pageCount(folder + QLatin1Char('/') + fileName);
    const QStringList results = documentPageResults(folder, fileName, pages);
    // The user saved a page; the document's text is the program's to write, never through a
    // link out of the folder.
    if (const QList<int> missing = missingResults(results); !missing.isEmpty() || results.isEmpty())
        return missing;
    const QString target = documentTextPath(folder, fileName);
    textfiles::requireWritePlace(target, folder);
    if (!ownOutput(folder, target))
        throw Failure(QCoreApplication::translate(
                          "booktext", "%1 は Quillpix が書いたファイルではないため、書き直さずに"
                                      "そのままにしました（ページの結果は保存しました）。")
                          .arg(target));
    // The text stays in the encoding it has, and becomes UTF-8 once a page is.
    const QList<int> missing = writeJoined(
        results, target, textfiles::encodingOf(target, textfiles::TextEncoding::ShiftJis));
    markWritten(folder, target);
    return missing;
}

} // namespace quillpix::booktext
