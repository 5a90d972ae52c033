#pragma once

#include <QString>

// Where the buttons that hand files to other programs point. Paths are plain concatenations;
// they are never quoted, because each reaches the desktop as one argument.
namespace quillpix::launch {

// The help page in the htm folder beside the program folder.
QString helpPagePath(const QString& parentFolder);
// The engine's raw UTF-8 output of the last run.
QString rawResultPath(const QString& programFolder);
// The picture chosen in the file list.
QString picturePath(const QString& folder, const QString& fileName);

} // namespace quillpix::launch
