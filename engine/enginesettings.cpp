#include "enginesettings.h"

#include "libraryparameters.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <sys/stat.h>

namespace quillpix::engine {
namespace {

// Far more parts than any version of the format has; more means this is no language data.
constexpr quint32 kMaxParts = 1000;
// A settings part is a few lines; a larger one is no settings part.
constexpr qint64 kMaxConfigBytes = 1 << 20;

} // namespace

QString fileStamp(const QString& path) {
    if (path.isEmpty())
        return {};
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return QStringLiteral("-");
    return QStringLiteral("%1:%2:%3:%4.%5")
        .arg(quint64(status.st_dev))
        .arg(quint64(status.st_ino))
        .arg(qint64(status.st_size))
        .arg(qint64(status.st_mtim.tv_sec))
        .arg(qint64(status.st_mtim.tv_nsec));
}

QStringList languageDataFiles(const QString& dataFolder, const QString& languages) {
    QStringList files;
    for (const QString& language : languages.split(QLatin1Char('+'), Qt::SkipEmptyParts))
        files << dataFolder + QLatin1Char('/') + language + QStringLiteral(".traineddata");
    return files;
}

QString configFile(const QString& dataFolder, const QString& name) {
    for (const char* folder : {"/configs/", "/tessconfigs/"}) {
        const QString path = dataFolder + QLatin1String(folder) + name;
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

std::optional<QString> languageDataConfig(const QString& traineddataPath) {
    QFile file(traineddataPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A count of parts, then the offset of each (-1 for a part that is not there), in the
    // byte order of the machine that wrote it.
    const QByteArray head = file.read(4);
    if (head.size() != 4)
        return std::nullopt;
    bool swapped = false;
    quint32 parts = qFromLittleEndian<quint32>(head.constData());
    if (parts == 0 || parts > kMaxParts) {
        parts = qFromBigEndian<quint32>(head.constData());
        swapped = true;
    }
    if (parts == 0 || parts > kMaxParts)
        return std::nullopt;
    const QByteArray table = file.read(qint64(parts) * 8);
    if (table.size() != qsizetype(parts) * 8)
        return std::nullopt;
    const auto offset = [&](quint32 part) {
        const char* at = table.constData() + part * 8;
        return swapped ? qFromBigEndian<qint64>(at) : qFromLittleEndian<qint64>(at);
    };
    // The settings are part 0; they end where the next part that is there begins.
    const qint64 begin = offset(0);
    if (begin < 0)
        return QString();
    qint64 end = file.size();
    for (quint32 part = 1; part < parts; ++part)
        if (offset(part) >= 0) {
            end = offset(part);
            break;
        }
    if (begin < 4 + qint64(parts) * 8 || end < begin || end > file.size() ||
        end - begin > kMaxConfigBytes || !file.seek(begin))
        return std::nullopt;
    return QString::fromLocal8Bit(file.read(end - begin));
}

QString residentRefusal(const PlainCall& call, const QString& dataFolder) {
    for (const QString& name : call.configs) {
        const QString path = configFile(dataFolder, name);
        if (path.isEmpty())
            return QStringLiteral("the config %1 is not in %2").arg(name, dataFolder);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("the config %1 cannot be read").arg(path);
        const QStringList refused = refusedConfigLines(QString::fromLocal8Bit(file.readAll()));
        if (!refused.isEmpty())
            return QStringLiteral("the config %1 sets %2").arg(path, refused.first());
    }
    for (const QString& path : languageDataFiles(dataFolder, call.languages)) {
        // Data that cannot be read fails to load, as it does for the command line.
        const std::optional<QString> config = languageDataConfig(path);
        if (!config)
            continue;
        for (const auto& [name, value] : configSettings(*config))
            if (processWideVariable(name))
                return QStringLiteral("%1 sets the process-wide %2").arg(path, name);
    }
    return {};
}

QList<EngineFile> engineFiles(const PlainCall& call, const QString& dataFolder) {
    QStringList paths = languageDataFiles(dataFolder, call.languages);
    paths << dataFolder + QStringLiteral("/osd.traineddata");
    for (const QString& name : call.configs)
        paths << configFile(dataFolder, name);
    paths << call.userWords << call.userPatterns;
    QList<EngineFile> files;
    for (const QString& path : paths)
        files.append({path, fileStamp(path)});
    return files;
}

QString engineKey(const PlainCall& call, const QString& dataFolder) {
    QStringList parts{dataFolder, call.languages, QString::number(call.oem)};
    parts << QString::number(call.configs.size()) << call.configs;
    parts << QString::number(call.variables.size());
    for (const auto& [name, value] : call.variables)
        parts << name << value;
    for (const EngineFile& file : engineFiles(call, dataFolder))
        parts << file.path << file.stamp;
    return parts.join(QChar(0x1f));
}

} // namespace quillpix::engine
