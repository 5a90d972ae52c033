#include "launch.h"

#include <QCoreApplication>

namespace quillpix::launch {

QString helpPagePath(const QString& parentFolder) {
    // The English translation names the English page.
    return parentFolder + QStringLiteral("/htm/") +
           QCoreApplication::translate("launcher", "introtool.htm");
}

QString rawResultPath(const QString& programFolder) {
    return programFolder + QStringLiteral("/tmp.txt");
}

QString picturePath(const QString& folder, const QString& fileName) {
    return folder + QLatin1Char('/') + fileName;
}

} // namespace quillpix::launch
