#include "tones.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace quillpix::tones {

std::vector<float> synthesise(const std::vector<Note>& notes, double lengthSeconds, int sampleRate,
                              double peak) {
    if (sampleRate <= 0 || lengthSeconds <= 0 || peak <= 0 || peak > 1)
        throw std::invalid_argument("tone length, rate and peak must be positive, peak at most 1");
    const auto count = static_cast<std::size_t>(std::lround(lengthSeconds * sampleRate));
    std::vector<double> mix(count, 0.0);
    const double attack = 0.005;
    for (const Note& note : notes) {
        const auto first = static_cast<std::size_t>(std::lround(note.startSeconds * sampleRate));
        for (std::size_t i = first; i < count; ++i) {
            const double t = double(i - first) / sampleRate;
            const double envelope =
                note.level * std::min(1.0, t / attack) * std::exp(-t / note.decaySeconds);
            const double phase = 2 * std::numbers::pi * note.frequency * t;
            mix[i] += envelope * (std::sin(phase) + 0.25 * std::sin(2 * phase));
        }
    }
    const auto fade = std::min<std::size_t>(count, std::size_t(0.02 * sampleRate));
    for (std::size_t k = 0; k < fade; ++k)
        mix[count - 1 - k] *= double(k) / double(fade);

    double loudest = 0;
    for (double s : mix)
        loudest = std::max(loudest, std::abs(s));
    std::vector<float> out(count, 0.0f);
    if (loudest > 0)
        for (std::size_t i = 0; i < count; ++i)
            out[i] = static_cast<float>(mix[i] * peak / loudest);
    return out;
}

std::vector<Note> startChime() {
    // C6, E6, G6: a major arpeggio, quick and light.
    return {{0.00, 1046.50, 0.12, 1.0}, {0.08, 1318.51, 0.12, 0.9}, {0.16, 1567.98, 0.18, 0.8}};
}

std::vector<Note> notifyTone() {
    // E5 falling to C5, slower, so it is heard as a call for attention rather than a success.
    return {{0.00, 659.26, 0.22, 1.0}, {0.28, 523.25, 0.30, 1.0}};
}

} // namespace quillpix::tones
