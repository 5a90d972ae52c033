#pragma once

#include "plaincall.h"

#include <QString>
#include <QStringList>

#include <optional>

// The files a loaded engine is made of, and whether a call may run in one, read without loading
// anything.
namespace quillpix::engine {

// The language data file of each language of a "+"-list, in order: <folder>/<lang>.traineddata.
QStringList languageDataFiles(const QString& dataFolder, const QString& languages);

// The file the engine reads for a config name: the data folder's configs/, then tessconfigs/.
// "" when neither has it (the command line would then look in its working folder).
QString configFile(const QString& dataFolder, const QString& name);

// The settings a language data file carries for every engine that loads it ("name value"
// lines, as in a config file): the first part of the file, by its table of parts. "" when it
// has none; nullopt when the file cannot be read as language data (loading it fails too).
std::optional<QString> languageDataConfig(const QString& traineddataPath);

// Why a loaded engine cannot take the call's settings with this data folder; "" when it can.
// A config must be the data folder's own and every line of it resident (residentVariable());
// no language's data may set a process-wide variable. Reads those files, loads nothing.
QString residentRefusal(const PlainCall& call, const QString& dataFolder);

// A file as it is now: device, inode, size and modification time to the nanosecond, so a file
// written again, or replaced by another (renamed into place, copied over), gives another
// stamp. "-" for a file that is not there, "" for no path.
QString fileStamp(const QString& path);

// A file a loaded engine reads when it loads, with its stamp.
struct EngineFile {
    QString path;
    QString stamp;
    friend bool operator==(const EngineFile&, const EngineFile&) = default;
};

// The files a loaded engine for the call reads, stamped now: each language's data, the
// orientation data (read on the first page that asks for it), the configs, user words and
// patterns.
QList<EngineFile> engineFiles(const PlainCall& call, const QString& dataFolder);

// What a loaded engine for the call is made of: the data folder, languages and engine mode, the
// -c variables in order, and engineFiles(), so a file replaced or edited since gives another
// key. Calls with equal keys can share one loaded engine.
QString engineKey(const PlainCall& call, const QString& dataFolder);

} // namespace quillpix::engine
