#include "booktext.h"

#include "textfiles.h"
#include "writeplace.h"

#include <QDateTime>
#include <QFileInfo>

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

QList<int> writeJoined(const QStringList& resultPaths, const QString& target,
                       textfiles::TextEncoding encoding) {
    const QList<int> missing = missingResults(resultPaths);
    if (!missing.isEmpty() || resultPaths.isEmpty())
        return missing;
    QStringList texts;
    for (const QString& path : resultPaths)
        texts << textfiles::readSavedResult(path);
    textfiles::writeLines(textfiles::joinPages(texts), target, textfiles::Durability::Synced,
                          encoding);
    return {};
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
    return upToDate(target, sources) && textfiles::writtenIn(target, encoding);
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
    textfiles::requireWritePlace(documentTextPath(folder, fileName), folder);
    return writeJoined(results, documentTextPath(folder, fileName));
}

} // namespace quillpix::booktext
