// Recipe of the crowd cheer: many voices shouting vowels, the roar of the rest of the
// crowd, and scattered hand claps. Standard library only.
#include "tools/sound/SoundRecipes.h"

#include <algorithm>
#include <cmath>

namespace sound {

namespace {

constexpr double kLength = 2.6; // seconds
constexpr int kVoices = 28;
constexpr int kClaps = 45;

struct Vowel {
    double f1, f2, f3; // formant centres of an adult male voice
};
constexpr Vowel kVowels[] = {
    {730, 1090, 2440}, // "ah"
    {530, 1840, 2480}, // "eh"
    {570, 840, 2410},  // "aw"
    {660, 1720, 2410}, // "a" as in "hat"
    {440, 1020, 2240}, // "oh"
};

// One shouting voice: a buzzing source (harmonics up to 4 kHz, built with the sine
// recurrence) through three vowel formants, with a "yeah"-like rise and droop of pitch.
void addVoice(Samples& out, Noise& rng) {
    const double onset = rng.between(0.0, 0.45);
    const double attack = rng.between(0.08, 0.25);
    const double hold = rng.between(0.6, 1.4);
    const double release = rng.between(0.3, 0.7);
    const bool high = rng.uniform() < 0.5;
    const double f0 = high ? rng.between(200.0, 340.0) : rng.between(110.0, 180.0);
    const double scale = high ? 1.17 : 1.0; // shorter vocal tracts, higher formants
    const Vowel& v = kVowels[static_cast<std::size_t>(rng.uniform() * std::size(kVowels))];
    const double level = rng.between(0.4, 1.0);
    const double vibRate = rng.between(4.5, 7.0);
    const double vibDepth = rng.between(0.01, 0.03);
    const double life = attack + hold + release;
    const int harmonics = static_cast<int>(4000.0 / (1.3 * f0));

    Biquad b1 = Biquad::bandPass(v.f1 * scale, 6.0);
    Biquad b2 = Biquad::bandPass(v.f2 * scale, 8.0);
    Biquad b3 = Biquad::bandPass(v.f3 * scale, 10.0);
    Phasor phase;
    const std::size_t first = sampleCount(onset);
    const std::size_t last = std::min(out.size(), sampleCount(onset + life));
    for (std::size_t i = first; i < last; ++i) {
        const double u = timeOf(i - first);
        const double env = smoothStep(u / attack) * smoothStep((life - u) / release);
        double f = f0 * (0.85 + 0.3 * smoothStep(u / 0.35) - 0.12 * (u / life));
        f *= 1.0 + vibDepth * std::sin(kTwoPi * vibRate * u);
        const double p = phase.next(f);
        const double c = std::cos(p);
        double prev = 0.0, cur = std::sin(p), source = 0.0;
        for (int n = 1; n <= harmonics; ++n) {
            source += cur / n;
            const double next = 2.0 * c * cur - prev;
            prev = cur;
            cur = next;
        }
        source += 0.3 * rng.white(); // breath
        const double voiced =
            b1.process(source) + 0.6 * b2.process(source) + 0.25 * b3.process(source);
        out[i] += level * env * voiced;
    }
}

// The rest of the crowd, too many to tell apart: shaped noise that swells and ebbs.
Samples roar(Noise& rng) {
    Samples s(sampleCount(kLength));
    // Steep above 2 kHz: a distant crowd has little hiss.
    Biquad top1 = Biquad::lowPass(2000.0, 0.7);
    Biquad top2 = Biquad::lowPass(2000.0, 0.7);
    Biquad bottom = Biquad::highPass(180.0, 0.7);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double env = smoothStep(t / 0.35) * (1.0 - 0.3 * smoothStep((t - 0.7) / 1.2)) *
                           smoothStep((kLength - t) / 0.9);
        s[i] = env * bottom.process(top2.process(top1.process(rng.white())));
    }
    return s;
}

Samples claps(Noise& rng) {
    Samples s(sampleCount(kLength));
    for (int k = 0; k < kClaps; ++k) {
        const double start = rng.between(0.2, kLength - 0.7);
        const double level = rng.between(0.3, 1.0);
        Biquad hand = Biquad::bandPass(rng.between(900.0, 1700.0), 2.0);
        const std::size_t first = sampleCount(start);
        const std::size_t count = sampleCount(0.04);
        for (std::size_t j = 0; j < count && first + j < s.size(); ++j) {
            const double env = strike(timeOf(j), 0.0, 0.0008, 0.007);
            s[first + j] += level * env * hand.process(rng.white());
        }
    }
    return s;
}

} // namespace

Samples makeCrowdCheer() {
    Noise rng(0x63726F7764);
    Samples voices(sampleCount(kLength));
    for (int k = 0; k < kVoices; ++k)
        addVoice(voices, rng);
    const Samples crowd = roar(rng);
    const Samples hands = claps(rng);

    // Balance the parts by loudness (claps by their peaks, as they are mostly silence).
    Samples s(sampleCount(kLength));
    addInto(s, voices, 1.0 / rms(voices));
    addInto(s, crowd, 0.4 / rms(crowd));
    addInto(s, hands, 1.2 / peakOf(hands));
    finish(s, {-3.0, 0.005, 0.3});
    return s;
}

} // namespace sound
