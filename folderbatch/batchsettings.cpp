#include "batchsettings.h"

#include "commandline.h"
#include "failure.h"
#include "listitems.h"
#include "textfiles.h"

#include <QFileInfo>

namespace quillpix::folderbatch {
namespace {

QString firstItem(const QString& path) {
    if (!QFileInfo(path).isFile())
        return {};
    try {
        const QStringList items = textfiles::readLines(path);
        return items.isEmpty() ? QString() : items.first();
    } catch (const Failure&) {
        return {};
    }
}

} // namespace

pipeline::EngineSettings listDefaults(const QString& programFolder) {
    return pipeline::settingsOfItems(firstItem(listFilePath(programFolder, ListFile::Lang)),
                                     firstItem(listFilePath(programFolder, ListFile::PSMode)),
                                     firstItem(listFilePath(programFolder, ListFile::Option)));
}

pipeline::TextRules textRules(const Settings& settings) {
    return {settings.keepLatinSpaces ? cleanup::LatinSpacing::Kept
                                     : cleanup::LatinSpacing::AsWritten,
            settings.paragraphs};
}

} // namespace quillpix::folderbatch
