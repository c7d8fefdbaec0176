// Measurements for checking a sound by numbers. Standard library only.
#include "tools/sound/SoundAnalysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace sound {

namespace {

double hann(std::size_t i, std::size_t n) {
    return 0.5 -
           0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n));
}

std::size_t binOf(double hz, double binHz, std::size_t bins) {
    const auto b = static_cast<std::size_t>(std::max(0.0, std::round(hz / binHz)));
    return std::min(b, bins - 1);
}

} // namespace

std::vector<double> toUnit(std::span<const std::int16_t> pcm) {
    std::vector<double> s(pcm.size());
    for (std::size_t i = 0; i < pcm.size(); ++i)
        s[i] = pcm[i] / 32768.0;
    return s;
}

double peakDbfs(std::span<const double> s) {
    double peak = 0.0;
    for (double v : s)
        peak = std::max(peak, std::abs(v));
    if (peak == 0.0) return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(peak);
}

double zeroCrossingsPerSecond(std::span<const double> s, int sampleRate) {
    if (s.size() < 2) return 0.0;
    int crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i)
        if ((s[i - 1] < 0.0) != (s[i] < 0.0)) ++crossings;
    return crossings * static_cast<double>(sampleRate) / static_cast<double>(s.size());
}

void fft(std::vector<std::complex<double>>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
        for (std::size_t start = 0; start < n; start += len) {
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> w = std::polar(1.0, angle * static_cast<double>(k));
                const std::complex<double> u = a[start + k];
                const std::complex<double> v = a[start + k + len / 2] * w;
                a[start + k] = u + v;
                a[start + k + len / 2] = u - v;
            }
        }
    }
}

Spectrum averageSpectrum(std::span<const double> s, int sampleRate, std::size_t frameSize) {
    Spectrum out;
    out.binHz = static_cast<double>(sampleRate) / static_cast<double>(frameSize);
    out.power.assign(frameSize / 2 + 1, 0.0);
    std::vector<std::complex<double>> frame(frameSize);
    const std::size_t hop = frameSize / 2;
    std::size_t start = 0;
    do {
        for (std::size_t i = 0; i < frameSize; ++i) {
            const double v = start + i < s.size() ? s[start + i] : 0.0;
            frame[i] = v * hann(i, frameSize);
        }
        fft(frame);
        for (std::size_t k = 0; k < out.power.size(); ++k)
            out.power[k] += std::norm(frame[k]);
        start += hop;
    } while (start + frameSize <= s.size());
    return out;
}

double Spectrum::centroid() const {
    double weighted = 0.0, total = 0.0;
    for (std::size_t k = 0; k < power.size(); ++k) {
        weighted += static_cast<double>(k) * binHz * power[k];
        total += power[k];
    }
    return total > 0.0 ? weighted / total : 0.0;
}

double Spectrum::peakFrequency(double loHz, double hiHz) const {
    const std::size_t lo = std::max<std::size_t>(1, binOf(loHz, binHz, power.size()));
    const std::size_t hi = std::min(binOf(hiHz, binHz, power.size()), power.size() - 2);
    std::size_t best = lo;
    for (std::size_t k = lo; k <= hi; ++k)
        if (power[k] > power[best]) best = k;
    // A parabola through the log powers of the peak and its neighbours.
    const double a = std::log(power[best - 1] + 1e-300);
    const double b = std::log(power[best] + 1e-300);
    const double c = std::log(power[best + 1] + 1e-300);
    const double denom = a - 2.0 * b + c;
    const double offset = denom != 0.0 ? 0.5 * (a - c) / denom : 0.0;
    return (static_cast<double>(best) + offset) * binHz;
}

double Spectrum::flatness(double loHz, double hiHz) const {
    const std::size_t lo = binOf(loHz, binHz, power.size());
    const std::size_t hi = binOf(hiHz, binHz, power.size());
    double logSum = 0.0, sum = 0.0;
    for (std::size_t k = lo; k <= hi; ++k) {
        logSum += std::log(power[k] + 1e-300);
        sum += power[k];
    }
    const double n = static_cast<double>(hi - lo + 1);
    return sum > 0.0 ? std::exp(logSum / n) / (sum / n) : 0.0;
}

double toneAmplitude(std::span<const double> s, int sampleRate, double freqHz) {
    const double w = 2.0 * std::numbers::pi * freqHz / sampleRate;
    const double coeff = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0, windowSum = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double h = hann(i, s.size());
        const double s0 = s[i] * h + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
        windowSum += h;
    }
    const double re = s1 - s2 * std::cos(w);
    const double im = s2 * std::sin(w);
    return windowSum > 0.0 ? 2.0 * std::hypot(re, im) / windowSum : 0.0;
}

std::vector<Burst> findBursts(std::span<const double> s, int sampleRate, double windowSec,
                              double on, double off) {
    const auto window = std::max<std::size_t>(1, static_cast<std::size_t>(windowSec * sampleRate));
    std::vector<double> level;
    for (std::size_t start = 0; start < s.size(); start += window) {
        const std::size_t end = std::min(s.size(), start + window);
        double sum = 0.0;
        for (std::size_t i = start; i < end; ++i)
            sum += s[i] * s[i];
        level.push_back(std::sqrt(sum / static_cast<double>(end - start)));
    }
    std::vector<Burst> bursts;
    const double top = level.empty() ? 0.0 : *std::max_element(level.begin(), level.end());
    if (top == 0.0) return bursts;
    bool inBurst = false;
    for (std::size_t w = 0; w < level.size(); ++w) {
        if (!inBurst && level[w] > on * top) {
            inBurst = true;
            bursts.push_back({w * window, s.size()});
        } else if (inBurst && level[w] < off * top) {
            inBurst = false;
            bursts.back().end = w * window;
        }
    }
    return bursts;
}

} // namespace sound
