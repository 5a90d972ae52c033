#pragma once

#include <vector>

namespace quillpix::tones {

// One struck note: a sine with a little of its octave for a bell-like colour, a short linear
// attack and an exponential decay.
struct Note {
    double startSeconds;
    double frequency;
    double decaySeconds; // time for the level to fall to 1/e
    double level;        // peak before the whole sound is normalised
};

// Mixes the notes into mono samples of the given length and rate, scales the mix so its
// loudest sample is `peak` (0 < peak <= 1), and fades the last 20 ms to silence so the sound
// neither starts nor ends with a click.
std::vector<float> synthesise(const std::vector<Note>& notes, double lengthSeconds, int sampleRate,
                              double peak);

// The two sounds of W/wav: a rising three-note chime when text has been read or saved, a
// lower falling two-note tone when the engine left no result.
std::vector<Note> startChime();
std::vector<Note> notifyTone();
constexpr double kStartLength = 0.6;
constexpr double kNotifyLength = 0.9;

} // namespace quillpix::tones
