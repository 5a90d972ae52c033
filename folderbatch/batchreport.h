#pragma once

#include "folderbatch.h"

#include <QString>

// What the batch's command line says as it goes and when it ends, one line a picture or event.
namespace quillpix::folderbatch {

// The name with control characters written as \n, \t, \x1b..., so each picture stays one line
// of a log.
QString printableName(const QString& name);

// "12/40  8.3/min  3:22 left", with the picture's name and outcome when withPicture.
QString progressLine(const Progress& progress, bool withPicture);
// The lines printed at the end.
QString summaryText(const Summary& summary);

} // namespace quillpix::folderbatch
