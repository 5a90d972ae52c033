#include "batchsettings.h"

#include "commandline.h"
#include "failure.h"
#include "listfiles.h"
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

ListDefaults listDefaults(const QString& programFolder) {
    const pipeline::EngineSettings first =
        pipeline::settingsOfItems(firstItem(listFilePath(programFolder, ListFile::Lang)),
                                  firstItem(listFilePath(programFolder, ListFile::PSMode)),
                                  firstItem(listFilePath(programFolder, ListFile::Option)));
    ListDefaults d;
    d.lang = first.lang;
    d.psm = first.psm;
    d.option = first.option;
    return d;
}

pipeline::EngineSettings engineSettings(const Settings& settings) {
    return {settings.lang, settings.psm, settings.option};
}

pipeline::TextRules textRules(const Settings& settings) {
    return {settings.keepLatinSpaces ? cleanup::LatinSpacing::Kept
                                     : cleanup::LatinSpacing::AsWritten,
            settings.paragraphs};
}

} // namespace quillpix::folderbatch
