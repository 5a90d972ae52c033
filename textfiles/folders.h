#pragma once

#include "textfiles.h"

#include <QString>

namespace quillpix {

// The folders the program works in: program holds the program, its list files and work files;
// parent holds the picture folders, htm/ and wav/.
struct Folders {
    QString program;
    QString parent;

    static Folders forProgram(const QString& programFolder) {
        return {programFolder, textfiles::parentFolder(programFolder)};
    }
};

} // namespace quillpix
