// Measurements for checking a sound by numbers: level, pitch, brightness, noisiness and
// rhythm. Standard library only; knows nothing of how the sounds were made.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sound {

// 16-bit PCM to [-1, 1) with full scale 32768.
std::vector<double> toUnit(std::span<const std::int16_t> pcm);

// 20 log10 of the largest magnitude (full scale 1); -infinity for silence.
double peakDbfs(std::span<const double> s);

double zeroCrossingsPerSecond(std::span<const double> s, int sampleRate);

// In-place radix-2 transform; the size must be a power of two.
void fft(std::vector<std::complex<double>>& a);

// Power spectrum averaged over Hann-windowed frames (half-overlapping), bins 0 .. N/2.
struct Spectrum {
    std::vector<double> power;
    double binHz = 0.0;

    double centroid() const;                              // power-weighted mean frequency, Hz
    double peakFrequency(double loHz, double hiHz) const; // strongest bin, interpolated
    // Geometric over arithmetic mean of power in a band: near 1 for noise, near 0 for tones.
    double flatness(double loHz, double hiHz) const;
};
Spectrum averageSpectrum(std::span<const double> s, int sampleRate, std::size_t frameSize = 2048);

// Amplitude of the sinusoid at freqHz in s (Hann-windowed Goertzel): 0.5 for 0.5 sin(...).
double toneAmplitude(std::span<const double> s, int sampleRate, double freqHz);

// Separate bursts of sound: a burst begins where the RMS over windowSec rises above `on`
// times its maximum and ends where it falls below `off` times the maximum.
struct Burst {
    std::size_t begin, end; // sample range
};
std::vector<Burst> findBursts(std::span<const double> s, int sampleRate, double windowSec = 0.005,
                              double on = 0.25, double off = 0.08);

} // namespace sound
