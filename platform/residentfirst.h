#pragma once

#include "platform.h"

class QWidget;

namespace quillpix {

namespace engine {
class ResidentEngine;
}

// Runs tess.bat the way every run of the window goes: when the batch is one plain call of the
// installed engine (and QUILLPIX_ENGINE=batch is not set), the loaded engine reads the picture
// and writes the same output file; otherwise the batch runs as written, with our console
// window for WindowStyle::NormalWithFocus.
BatchReport runResidentFirst(const QString& batchPath, WindowStyle style,
                             engine::ResidentEngine& engine, QWidget* consoleParent);

// Loads the engine that runResidentFirst() would read a batch file at batchPath holding
// batchText with, in the background; nothing for a batch that would run as written.
void prepareResidentFirst(const QString& batchText, const QString& batchPath,
                          engine::ResidentEngine& engine);

} // namespace quillpix
