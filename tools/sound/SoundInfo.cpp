// spheron-sound-info: decodes sound files and prints the numbers we judge them by.
// A development aid only; the game never runs it.
#include "tools/sound/CafFile.h"
#include "tools/sound/SoundAnalysis.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: spheron-sound-info FILE...\n");
        return 2;
    }
    std::printf("%-24s %5s %6s %7s %5s %5s %8s %8s %8s %7s %6s\n", "file", "rate", "secs", "peakdB",
                "first", "last", "centroid", "zc/s", "dominant", "flat", "bursts");
    int failures = 0;
    for (int a = 1; a < argc; ++a) {
        const auto clip = sound::readPcm(argv[a]);
        if (!clip || clip->samples.empty()) {
            ++failures;
            continue;
        }
        const auto s = sound::toUnit(clip->samples);
        const auto spectrum = sound::averageSpectrum(s, clip->sampleRate);
        const double secs = static_cast<double>(s.size()) / clip->channels / clip->sampleRate;
        std::printf("%-24s %5d %6.3f %7.2f %5d %5d %8.0f %8.0f %8.0f %7.4f %6d\n", argv[a],
                    clip->sampleRate, secs, sound::peakDbfs(s), std::abs(clip->samples.front()),
                    std::abs(clip->samples.back()), spectrum.centroid(),
                    sound::zeroCrossingsPerSecond(s, clip->sampleRate),
                    spectrum.peakFrequency(100.0, 10000.0), spectrum.flatness(300.0, 2500.0),
                    static_cast<int>(sound::findBursts(s, clip->sampleRate).size()));
    }
    return failures == 0 ? 0 : 1;
}
