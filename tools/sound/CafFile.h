// Reading and writing mono 16-bit CAF sound files through libsndfile.
// Knows nothing of how the sounds are made or measured.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sound {

// What a decoded file holds; format is libsndfile's SF_FORMAT_* word.
struct PcmClip {
    int sampleRate = 0;
    int channels = 0;
    int format = 0;
    std::vector<std::int16_t> samples; // interleaved when channels > 1
};

// Writes CAF, 16-bit PCM, mono. Logs one line to stderr and returns false on failure.
bool writeCaf(const std::string& path, std::span<const std::int16_t> pcm, int sampleRate);

// Reads any file libsndfile can open; none (with one line on stderr) when it cannot.
std::optional<PcmClip> readPcm(const std::string& path);

} // namespace sound
