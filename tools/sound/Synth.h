// Building blocks of the sound generator: a seeded noise source, oscillators, filters,
// envelopes and the finishing pass that makes a buffer click-free and sets its level.
// Standard library only; every result depends on its inputs alone, never on time or state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sound {

inline constexpr int kSampleRate = 44100;
inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2.0 * kPi;

// A mono signal at kSampleRate, nominally within [-1, 1].
using Samples = std::vector<double>;

std::size_t sampleCount(double seconds);
double timeOf(std::size_t index);

// xorshift64*: ours rather than <random>, whose distributions differ between libraries.
class Noise {
  public:
    explicit Noise(std::uint64_t seed);
    double uniform();                                // [0, 1)
    double white() { return 2.0 * uniform() - 1.0; } // [-1, 1)
    double between(double lo, double hi) { return lo + (hi - lo) * uniform(); }

  private:
    std::uint64_t state_;
};

// A running phase in radians whose frequency may change every sample without jumps.
class Phasor {
  public:
    // The phase for this sample; then advances by one sample at freqHz.
    double next(double freqHz);

  private:
    double phase_ = 0.0;
};

// Second-order filter (the familiar audio-cookbook designs), transposed direct form II.
class Biquad {
  public:
    static Biquad lowPass(double freqHz, double q);
    static Biquad highPass(double freqHz, double q);
    static Biquad bandPass(double freqHz, double q); // 0 dB at the centre frequency
    double process(double x);

  private:
    Biquad(double b0, double b1, double b2, double a0, double a1, double a2);
    double b0_, b1_, b2_, a1_, a2_;
    double z1_ = 0.0, z2_ = 0.0;
};

// 0 before `start`, a raised-cosine rise over `attack` seconds, then exponential decay
// with time constant `decay` seconds.
double strike(double t, double start, double attack, double decay);
// 0 outside [start, start + length], 1 inside, with raised-cosine ramps of `ramp` seconds.
double gate(double t, double start, double length, double ramp);
// Raised cosine from 0 (x <= 0) to 1 (x >= 1).
double smoothStep(double x);

void addInto(Samples& dst, const Samples& src, double gain);
double rms(const Samples& s);
double peakOf(const Samples& s);

struct Finish {
    double peakDbfs;   // level of the loudest sample after scaling; must be below -1
    double fadeInSec;  // raised-cosine fade from silence at the first sample
    double fadeOutSec; // raised-cosine fade to silence at the last sample
};
// Fades both ends to exact silence and scales the buffer so its peak sits at peakDbfs.
void finish(Samples& s, const Finish& f);

// Rounds to 16-bit PCM (full scale 32768), saturating rather than wrapping.
std::vector<std::int16_t> toPcm16(std::span<const double> s);

} // namespace sound
