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
// stopRequested ends either early; the loaded engine tells progressed how far it has come
// (Platform::runBatch).
BatchReport runResidentFirst(const QString& batchPath, WindowStyle style,
                             engine::ResidentEngine& engine, QWidget* consoleParent,
                             const std::function<bool()>& stopRequested = {},
                             const std::function<void(int)>& progressed = {});

// Loads the engine that runResidentFirst() would read a batch file at batchPath holding
// batchText with, in the background; nothing for a batch that would run as written.
void prepareResidentFirst(const QString& batchText, const QString& batchPath,
                          engine::ResidentEngine& engine);

// The loaded engine's alternatives for the character at box on picture (see
// Platform::alternativesAt): the stretch of its line around it read again with the engine's
// choices kept, and the choices of the symbol read where the box lies. The read's own text for
// it comes first when it differs from what the first read gave.
QStringList alternativesAt(const QImage& picture, const QRect& box, bool vertical,
                           engine::ResidentEngine& engine);

} // namespace quillpix
