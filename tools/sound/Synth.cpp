// Building blocks of the sound generator. Standard library only.
#include "tools/sound/Synth.h"

#include <algorithm>
#include <cmath>

namespace sound {

std::size_t sampleCount(double seconds) {
    return static_cast<std::size_t>(std::lround(seconds * kSampleRate));
}

double timeOf(std::size_t index) {
    return static_cast<double>(index) / kSampleRate;
}

Noise::Noise(std::uint64_t seed) : state_(seed != 0 ? seed : 0x9E3779B97F4A7C15ULL) {}

double Noise::uniform() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const std::uint64_t x = state_ * 0x2545F4914F6CDD1DULL;
    return static_cast<double>(x >> 11) * 0x1.0p-53;
}

double Phasor::next(double freqHz) {
    const double p = phase_;
    phase_ += kTwoPi * freqHz / kSampleRate;
    if (phase_ >= kTwoPi) phase_ -= kTwoPi;
    return p;
}

Biquad::Biquad(double b0, double b1, double b2, double a0, double a1, double a2)
    : b0_(b0 / a0), b1_(b1 / a0), b2_(b2 / a0), a1_(a1 / a0), a2_(a2 / a0) {}

Biquad Biquad::lowPass(double freqHz, double q) {
    const double w = kTwoPi * freqHz / kSampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    return Biquad((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::highPass(double freqHz, double q) {
    const double w = kTwoPi * freqHz / kSampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    return Biquad((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::bandPass(double freqHz, double q) {
    const double w = kTwoPi * freqHz / kSampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    return Biquad(alpha, 0.0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

double Biquad::process(double x) {
    const double y = b0_ * x + z1_;
    z1_ = b1_ * x - a1_ * y + z2_;
    z2_ = b2_ * x - a2_ * y;
    return y;
}

double smoothStep(double x) {
    if (x <= 0.0) return 0.0;
    if (x >= 1.0) return 1.0;
    return 0.5 - 0.5 * std::cos(kPi * x);
}

double strike(double t, double start, double attack, double decay) {
    const double u = t - start;
    if (u < 0.0) return 0.0;
    if (u < attack) return smoothStep(u / attack);
    return std::exp(-(u - attack) / decay);
}

double gate(double t, double start, double length, double ramp) {
    const double u = t - start;
    if (u <= 0.0 || u >= length) return 0.0;
    return smoothStep(u / ramp) * smoothStep((length - u) / ramp);
}

void addInto(Samples& dst, const Samples& src, double gain) {
    if (dst.size() < src.size()) dst.resize(src.size(), 0.0);
    for (std::size_t i = 0; i < src.size(); ++i)
        dst[i] += gain * src[i];
}

double rms(const Samples& s) {
    if (s.empty()) return 0.0;
    double sum = 0.0;
    for (double v : s)
        sum += v * v;
    return std::sqrt(sum / static_cast<double>(s.size()));
}

double peakOf(const Samples& s) {
    double peak = 0.0;
    for (double v : s)
        peak = std::max(peak, std::abs(v));
    return peak;
}

void finish(Samples& s, const Finish& f) {
    if (s.empty()) return;
    const std::size_t n = s.size();
    const std::size_t in = std::min(n, std::max<std::size_t>(1, sampleCount(f.fadeInSec)));
    const std::size_t out = std::min(n, std::max<std::size_t>(1, sampleCount(f.fadeOutSec)));
    for (std::size_t i = 0; i < in; ++i)
        s[i] *= smoothStep(static_cast<double>(i) / static_cast<double>(in));
    for (std::size_t i = 0; i < out; ++i)
        s[n - 1 - i] *= smoothStep(static_cast<double>(i) / static_cast<double>(out));
    s.front() = 0.0;
    s.back() = 0.0;

    const double peak = peakOf(s);
    if (peak == 0.0) return;
    const double gain = std::pow(10.0, f.peakDbfs / 20.0) / peak;
    for (double& v : s)
        v *= gain;
}

std::vector<std::int16_t> toPcm16(std::span<const double> s) {
    std::vector<std::int16_t> pcm(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double v = std::clamp(std::round(s[i] * 32768.0), -32768.0, 32767.0);
        pcm[i] = static_cast<std::int16_t>(v);
    }
    return pcm;
}

} // namespace sound
