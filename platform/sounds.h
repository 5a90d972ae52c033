#pragma once

#include <QString>

namespace quillpix {

class Platform;

// Plays parentFolder/wav/name to its end. A missing file is reported in a message box and
// nothing plays; the caller carries on either way.
void playWav(Platform& platform, const QString& parentFolder, const QString& name);

} // namespace quillpix
