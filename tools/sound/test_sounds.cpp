// Checks of the committed sound effects (format, length, level, silent ends) and of the spectrum
// against a direct transform. (That the committed files are what the recipes make, byte for
// byte, CTest checks on the tool itself.)
#include "tools/sound/CafFile.h"
#include "tools/sound/SoundAnalysis.h"
#include "tools/sound/SoundRecipes.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

namespace {

using sound::kSampleRate;

struct Expected {
    const char* name;
    double minSecs, maxSecs;
};
constexpr Expected kExpected[] = {
    {"pop", 0.04, 0.2},         {"Select", 0.04, 0.2},        {"whistle_shrill_x", 0.5, 3.0},
    {"cowbell", 0.3, 1.5},      {"Comedy Bubbles", 0.5, 1.5}, {"timer", 0.5, 1.5},
    {"Crowd_cheer6", 1.5, 3.0},
};

std::string committedPath(const char* name) {
    return std::string(SPHERON_RESOURCES_DIR) + "/" + name + ".caf";
}

std::vector<double> slice(const std::vector<double>& s, std::size_t begin, std::size_t end) {
    return {s.begin() + static_cast<std::ptrdiff_t>(begin),
            s.begin() + static_cast<std::ptrdiff_t>(end)};
}

TEST(SoundAnalysis, FftMatchesDirectTransform) {
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<std::complex<double>> a(64);
    for (auto& v : a)
        v = {dist(gen), dist(gen)};
    auto fast = a;
    sound::fft(fast);
    for (std::size_t k = 0; k < a.size(); ++k) {
        std::complex<double> direct = 0.0;
        for (std::size_t n = 0; n < a.size(); ++n)
            direct +=
                a[n] * std::polar(1.0, -2.0 * std::numbers::pi * double(k * n) / double(a.size()));
        EXPECT_NEAR(std::abs(fast[k] - direct), 0.0, 1e-9) << "bin " << k;
    }
}

TEST(CommittedSounds, FormatLengthLevelAndSilentEnds) {
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.name);
        const auto clip = sound::readPcm(committedPath(e.name));
        ASSERT_TRUE(clip.has_value());
        EXPECT_EQ(clip->format, SF_FORMAT_CAF | SF_FORMAT_PCM_16);
        EXPECT_EQ(clip->channels, 1);
        EXPECT_EQ(clip->sampleRate, 44100);
        ASSERT_FALSE(clip->samples.empty());
        const double secs = double(clip->samples.size()) / clip->sampleRate;
        EXPECT_GE(secs, e.minSecs);
        EXPECT_LE(secs, e.maxSecs);

        const auto s = sound::toUnit(clip->samples);
        EXPECT_LT(sound::peakDbfs(s), -1.0);
        EXPECT_GT(sound::peakDbfs(s), -10.0); // and not too quiet to hear
        EXPECT_LE(std::abs(clip->samples.front()), 16);
        EXPECT_LE(std::abs(clip->samples.back()), 16);
        // The last 5 ms are a fade, not a cut-off note.
        const auto tail = slice(s, s.size() - kSampleRate / 200, s.size());
        EXPECT_LT(sound::peakDbfs(tail), -30.0);
    }
}

} // namespace
