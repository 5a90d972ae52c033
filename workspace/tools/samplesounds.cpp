// Synthesises W/wav/start.wav and W/wav/notify.wav: 16-bit PCM, mono, 44.1 kHz.
//
// Usage: samplesounds <output folder>

#include "tones.h"

#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;

bool writeWav(const std::string& path, const std::vector<float>& samples) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "samplesounds: cannot write %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    const auto frames = static_cast<sf_count_t>(samples.size());
    const bool complete = sf_writef_float(file, samples.data(), frames) == frames;
    if (!complete)
        std::fprintf(stderr, "samplesounds: short write to %s: %s\n", path.c_str(),
                     sf_strerror(file));
    return sf_close(file) == 0 && complete;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: samplesounds <output folder>\n");
        return 2;
    }
    namespace tones = quillpix::tones;
    const std::filesystem::path folder(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "samplesounds: cannot create %s\n", folder.c_str());
        return 1;
    }
    // Peaks at half scale: clearly audible, never harsh.
    const bool ok =
        writeWav((folder / "start.wav").string(),
                 tones::synthesise(tones::startChime(), tones::kStartLength, kRate, 0.5)) &&
        writeWav((folder / "notify.wav").string(),
                 tones::synthesise(tones::notifyTone(), tones::kNotifyLength, kRate, 0.5));
    return ok ? 0 : 1;
}
