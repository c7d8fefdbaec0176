// Reading and writing CAF files through libsndfile.
#include "tools/sound/CafFile.h"

#include <sndfile.h>

#include <cstdio>

namespace sound {

bool writeCaf(const std::string& path, std::span<const std::int16_t> pcm, int sampleRate) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_CAF | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "cannot create %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    // A peak chunk would be the only header content not fixed by format and length;
    // keep it out so the files stay byte-identical from run to run.
    sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    const auto count = static_cast<sf_count_t>(pcm.size());
    const sf_count_t written = sf_write_short(file, pcm.data(), count);
    bool ok = written == count;
    if (!ok) std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(file));
    if (sf_close(file) != 0) {
        std::fprintf(stderr, "cannot finish %s\n", path.c_str());
        ok = false;
    }
    return ok;
}

std::optional<PcmClip> readPcm(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return std::nullopt;
    }
    PcmClip clip;
    clip.sampleRate = info.samplerate;
    clip.channels = info.channels;
    clip.format = info.format;
    clip.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    const auto wanted = static_cast<sf_count_t>(clip.samples.size());
    const sf_count_t got = sf_read_short(file, clip.samples.data(), wanted);
    sf_close(file);
    if (got != wanted) {
        std::fprintf(stderr, "short read from %s\n", path.c_str());
        return std::nullopt;
    }
    return clip;
}

} // namespace sound
