#include "launch.h"

namespace quillpix::launch {

QString helpPagePath(const QString& parentFolder) {
    return parentFolder + QStringLiteral("/htm/introtool.htm");
}

QString rawResultPath(const QString& programFolder) {
    return programFolder + QStringLiteral("/tmp.txt");
}

QString picturePath(const QString& folder, const QString& fileName) {
    return folder + QLatin1Char('/') + fileName;
}

} // namespace quillpix::launch
