#pragma once

#include <QString>

// Synchronous playback of the program's short sounds: libsndfile decodes, ALSA plays with
// blocking writes and a drain, so the call returns when the last sample has been played.
namespace quillpix::sound {

// Plays the file to its end on the ALSA device. False when nothing could be played (no sound
// device, a file that is missing or cannot be decoded); that is silence, never an error.
// ALSA's own complaints (a machine without a sound card) are kept off the terminal.
bool playFile(const QString& path, const QString& device = QStringLiteral("default"));

} // namespace quillpix::sound
