#include "scanfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace quillpix::scanner {
namespace {

const QRegularExpression& pageName() {
    static const QRegularExpression name(QStringLiteral("^scan-([0-9]{1,9})\\.png$"),
                                         QRegularExpression::CaseInsensitiveOption);
    return name;
}

QString nameOf(qint64 number) {
    return kPagePrefix + QStringLiteral("%1.png").arg(number, 4, 10, QLatin1Char('0'));
}

// The PNG whole in a hidden file beside its place; "" with the reason when it cannot be. A part
// already there was left by a scan that was killed: it is only ever ours.
QString writePart(const QImage& page, const QString& partPath, QString* error) {
    QFile part(partPath);
    if (!part.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
        !(QFile::remove(partPath) && part.open(QIODevice::WriteOnly | QIODevice::NewOnly))) {
        *error = QStringLiteral("%1: %2").arg(partPath, part.errorString());
        return {};
    }
    const bool saved = page.save(&part, "PNG") && part.flush();
    const QString why = part.errorString();
    part.close();
    if (!saved || part.error() != QFileDevice::NoError) {
        *error = QStringLiteral("%1: %2").arg(partPath,
                                              why.isEmpty() ? QStringLiteral("not written") : why);
        QFile::remove(partPath);
        return {};
    }
    return partPath;
}

// Whether pages can be written into folder: it is a folder that can be written, or it can be
// made in the nearest folder above it that there is.
bool writableFolder(const QString& folder) {
    QFileInfo info(folder);
    while (!info.exists() && !info.isRoot() && info.absolutePath() != info.absoluteFilePath())
        info = QFileInfo(info.absolutePath());
    return info.isDir() && info.isWritable();
}

} // namespace

QString nextPageName(const QStringList& names) {
    qint64 highest = 0;
    for (const QString& name : names) {
        const QRegularExpressionMatch match = pageName().match(name);
        if (match.hasMatch())
            highest = std::max(highest, match.captured(1).toLongLong());
    }
    return nameOf(highest + 1);
}

QString keepPage(const QImage& page, const QString& folder, QString* error) {
    const QDir dir(folder);
    QString name = nextPageName(dir.entryList(QDir::Files | QDir::System));
    const QString part =
        writePart(page, dir.filePath(QLatin1Char('.') + name + QStringLiteral(".part")), error);
    if (part.isEmpty())
        return {};
    // Another program may have taken the name meanwhile: the rename never replaces a file.
    QFile file(part);
    for (int tries = 0; tries < 100; ++tries) {
        const QString path = dir.filePath(name);
        if (file.rename(path))
            return path;
        if (!QFileInfo::exists(path))
            break;
        name = nextPageName({name});
    }
    *error = QStringLiteral("%1: %2").arg(dir.filePath(name), file.errorString());
    QFile::remove(part);
    return {};
}

FolderScan scanIntoFolder(const Request& request, const QString& folder, Events events,
                          const std::function<void(const QString& path)>& written) {
    FolderScan result;
    result.device = request.device;
    // Made only once a page is there to be kept: a scan that fails leaves no empty folder.
    if (!writableFolder(folder)) {
        result.error = {Problem::Folder, request.device,
                        QStringLiteral("%1: cannot be written").arg(folder)};
        return result;
    }
    events.page = [&](const QImage& page, Error& error) {
        QString why = QStringLiteral("%1: cannot be made").arg(folder);
        const QString path = QDir().mkpath(folder) ? keepPage(page, folder, &why) : QString();
        if (path.isEmpty()) {
            error = {Problem::Folder, result.device, why};
            return false;
        }
        result.written << path;
        if (written)
            written(path);
        return true;
    };
    const Outcome outcome = scan(request, events);
    result.device = outcome.device;
    result.error = outcome.error;
    if (result.error.problem == Problem::Folder)
        result.error.device = outcome.device;
    return result;
}

} // namespace quillpix::scanner
