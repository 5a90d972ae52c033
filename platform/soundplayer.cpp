#include "soundplayer.h"

#include <QFile>

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace quillpix::sound {
namespace {

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};

// Writes all frames, recovering from underruns; false when the device gives up.
bool writeAll(snd_pcm_t* pcm, const short* samples, sf_count_t frames, int channels) {
    while (frames > 0) {
        snd_pcm_sframes_t written = snd_pcm_writei(pcm, samples, snd_pcm_uframes_t(frames));
        if (written == -EAGAIN)
            continue;
        if (written < 0) {
            if (snd_pcm_recover(pcm, int(written), 1) < 0)
                return false;
            continue;
        }
        samples += written * channels;
        frames -= written;
    }
    return true;
}

} // namespace

bool playFile(const QString& path, const QString& device) {
    static const bool quiet = [] {
        snd_lib_error_set_handler(&quietAlsa);
        return true;
    }();
    (void)quiet;

    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(
        sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!file || info.channels <= 0 || info.samplerate <= 0)
        return false;

    snd_pcm_t* raw = nullptr;
    if (snd_pcm_open(&raw, device.toUtf8().constData(), SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return false;
    std::unique_ptr<snd_pcm_t, PcmCloser> pcm(raw);
    // Half a second of latency: enough to ride out a busy moment, short for a notification.
    if (snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                           unsigned(info.channels), unsigned(info.samplerate), 1, 500000) < 0)
        return false;

    constexpr sf_count_t kChunkFrames = 4096;
    std::vector<short> buffer(size_t(kChunkFrames * info.channels));
    for (;;) {
        const sf_count_t frames = sf_readf_short(file.get(), buffer.data(), kChunkFrames);
        if (frames <= 0)
            break;
        if (!writeAll(pcm.get(), buffer.data(), frames, info.channels))
            return false;
    }
    // Blocks until the device has played what it holds.
    snd_pcm_drain(pcm.get());
    return true;
}

} // namespace quillpix::sound
