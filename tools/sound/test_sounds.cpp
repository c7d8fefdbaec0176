// Checks of the committed sound effects (format, length, level, silent ends), of the
// measurements against known signals and of the synthesis.
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

std::vector<double> sine(double freqHz, double amplitude, double seconds) {
    std::vector<double> s(static_cast<std::size_t>(seconds * kSampleRate));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = amplitude *
               std::sin(2.0 * std::numbers::pi * freqHz * static_cast<double>(i) / kSampleRate);
    return s;
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

TEST(SoundAnalysis, MeasuresKnownSinesAndWhiteNoise) {
    auto s = sine(1000.0, 0.5, 0.5);
    const auto other = sine(2500.0, 0.2, 0.5);
    EXPECT_NEAR(sound::peakDbfs(s), -6.02, 0.01);
    EXPECT_NEAR(sound::zeroCrossingsPerSecond(s, kSampleRate), 2000.0, 10.0);
    EXPECT_NEAR(sound::averageSpectrum(s, kSampleRate).centroid(), 1000.0, 20.0);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] += other[i];
    EXPECT_NEAR(sound::toneAmplitude(s, kSampleRate, 1000.0), 0.5, 0.005);
    EXPECT_NEAR(sound::toneAmplitude(s, kSampleRate, 2500.0), 0.2, 0.005);
    EXPECT_LT(sound::toneAmplitude(s, kSampleRate, 1700.0), 0.005);
    const auto spectrum = sound::averageSpectrum(s, kSampleRate);
    EXPECT_NEAR(spectrum.peakFrequency(100.0, 5000.0), 1000.0, 5.0);
    EXPECT_NEAR(spectrum.peakFrequency(1500.0, 5000.0), 2500.0, 5.0);
    EXPECT_LT(spectrum.flatness(300.0, 2500.0), 0.01);

    std::mt19937 gen(11); // white noise: flat, centred on half the band
    std::uniform_real_distribution<double> dist(-0.5, 0.5);
    std::vector<double> noise(kSampleRate);
    for (double& v : noise)
        v = dist(gen);
    const auto white = sound::averageSpectrum(noise, kSampleRate);
    EXPECT_GT(white.flatness(300.0, 2500.0), 0.5);
    EXPECT_NEAR(white.centroid(), kSampleRate / 4.0, 500.0);
}

TEST(Synthesis, FiltersPassAndStopWhereTheyShould) {
    auto through = [](sound::Biquad f, double hz) {
        auto s = sine(hz, 1.0, 0.4);
        for (double& v : s)
            v = f.process(v);
        return sound::toneAmplitude(slice(s, s.size() / 2, s.size()), kSampleRate, hz);
    };
    EXPECT_NEAR(through(sound::Biquad::lowPass(1000.0, 0.707), 100.0), 1.0, 0.01);
    EXPECT_LT(through(sound::Biquad::lowPass(1000.0, 0.707), 8000.0), 0.02); // 12 dB/octave
    EXPECT_NEAR(through(sound::Biquad::highPass(1000.0, 0.707), 8000.0), 1.0, 0.01);
    EXPECT_LT(through(sound::Biquad::highPass(1000.0, 0.707), 125.0), 0.02);
    EXPECT_NEAR(through(sound::Biquad::bandPass(1500.0, 2.0), 1500.0), 1.0, 0.01);
    EXPECT_LT(through(sound::Biquad::bandPass(1500.0, 2.0), 6000.0), 0.15);
}

// Making a sound twice in one process gives the same samples: no state is left behind between
// runs. (That the committed files are what the recipes make is checked byte for byte by CTest.)
TEST(Synthesis, RecipesAreRepeatable) {
    ASSERT_EQ(sound::soundRecipes().size(), std::size(kExpected));
    for (std::size_t k = 0; k < std::size(kExpected); ++k) {
        const sound::SoundRecipe& recipe = sound::soundRecipes()[k];
        EXPECT_STREQ(recipe.resourceName, kExpected[k].name);
        EXPECT_EQ(sound::toPcm16(recipe.synthesise()), sound::toPcm16(recipe.synthesise()))
            << recipe.resourceName;
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
