// Recipes of the six short sound effects and the catalogue of all seven.
// Standard library only; levels and timings are chosen by ear, frequencies in Hz.
#include "tools/sound/SoundRecipes.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace sound {

std::span<const SoundRecipe> soundRecipes() {
    static constexpr std::array<SoundRecipe, 7> kRecipes{{
        {"pop", makePop},
        {"Select", makeSelect},
        {"whistle_shrill_x", makeWhistle},
        {"cowbell", makeCowbell},
        {"Comedy Bubbles", makeComedyBubbles},
        {"timer", makeTimer},
        {"Crowd_cheer6", makeCrowdCheer},
    }};
    return kRecipes;
}

// A bubble's skin snaps (a tick of bright noise) and the air pocket rings with a pitch
// that rises as it collapses. Pops come four frames apart, so it must be over quickly.
Samples makePop() {
    Samples s(sampleCount(0.12));
    Noise noise(0x706F70);
    Phasor bubble;
    Biquad snapFilter = Biquad::bandPass(3200.0, 0.9);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double f = 520.0 * std::exp(std::min(t, 0.05) / 0.045); // 520 -> ~1580
        const double ring = std::sin(bubble.next(f)) * strike(t, 0.0, 0.0015, 0.016);
        const double snap = snapFilter.process(noise.white()) * strike(t, 0.0, 0.0005, 0.003);
        s[i] = ring + 1.2 * snap;
    }
    finish(s, {-3.0, 0.0005, 0.02});
    return s;
}

// A low, quickly damped body with a little wooden knock on top; no bright edge, since
// many of these land at once after every burst.
Samples makeSelect() {
    Samples s(sampleCount(0.11));
    Noise noise(0x73656C);
    Phasor body, knock;
    Biquad tickFilter = Biquad::lowPass(2400.0, 0.7);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double f = 260.0 + 200.0 * std::exp(-t / 0.012); // 460 falling to 260
        const double low = std::sin(body.next(f)) * strike(t, 0.0, 0.002, 0.024);
        const double wood = std::sin(knock.next(2.3 * f)) * strike(t, 0.0, 0.001, 0.007);
        const double tick = tickFilter.process(noise.white()) * strike(t, 0.0, 0.0005, 0.002);
        s[i] = low + 0.35 * wood + 0.25 * tick;
    }
    finish(s, {-6.0, 0.001, 0.02});
    return s;
}

// Two blasts of a two-finger whistle: a quick upward swoop, then a long high note that
// climbs, wavers and falls away at the end. A little breath noise keeps it from sounding
// like a test tone.
Samples makeWhistle() {
    Samples s(sampleCount(1.3));
    Noise noise(0x776869);
    Phasor tone;
    Biquad breathFilter = Biquad::bandPass(3000.0, 3.0);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        double f = 0.0;
        double amp = 0.0;
        if (t < 0.4) {
            f = 2100.0 + 1100.0 * smoothStep(t / 0.22);
            amp = gate(t, 0.0, 0.36, 0.03);
        } else {
            const double u = t - 0.46;
            f = 2700.0 + 700.0 * smoothStep(u / 0.12) - 650.0 * smoothStep((u - 0.6) / 0.22);
            amp = gate(t, 0.46, 0.82, 0.04);
        }
        f *= 1.0 + 0.012 * std::sin(kTwoPi * 6.5 * t);
        amp *= 1.0 - 0.12 * (0.5 + 0.5 * std::sin(kTwoPi * 31.0 * t)); // lip flutter
        const double p = tone.next(f);
        const double breath = breathFilter.process(noise.white());
        s[i] = amp * (std::sin(p) + 0.08 * std::sin(2.0 * p) + 0.5 * breath);
    }
    finish(s, {-4.0, 0.001, 0.02});
    return s;
}

// Two square-ish tones a non-harmonic 540 and 800 Hz apart, struck: the upper harmonics
// of the clang die within a few tens of milliseconds and leave the two-note ring.
Samples makeCowbell() {
    Samples s(sampleCount(0.8));
    Noise noise(0x636F77);
    Phasor low, high;
    Biquad strikeFilter = Biquad::bandPass(2500.0, 1.2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double pl = low.next(540.0);
        const double ph = high.next(800.0);
        const double bright = std::exp(-t / 0.05);
        double ring = 0.0;
        for (int k = 1; k <= 7; k += 2) {
            const double w = (k == 1 ? 1.0 : bright) / k;
            ring += w * (std::sin(k * pl) + 0.85 * std::sin(k * ph));
        }
        const double env = 0.65 * strike(t, 0.0, 0.001, 0.045) + 0.35 * strike(t, 0.0, 0.001, 0.28);
        const double hit = strikeFilter.process(noise.white()) * strike(t, 0.0, 0.0005, 0.004);
        s[i] = env * ring + 0.4 * hit;
    }
    finish(s, {-3.0, 0.0005, 0.12});
    return s;
}

namespace {

// One upward "bloop": a sine gliding up by `rise` times its base pitch under a bell-shaped
// envelope that starts and ends at zero with zero slope.
void addBlip(Samples& s, double start, double length, double base, double rise, double wobble) {
    Phasor p;
    const std::size_t first = sampleCount(start);
    const std::size_t count = sampleCount(length);
    for (std::size_t j = 0; j < count && first + j < s.size(); ++j) {
        const double x = static_cast<double>(j) / static_cast<double>(count);
        const double u = timeOf(j);
        const double f = base * std::pow(rise, x) * (1.0 + wobble * std::sin(kTwoPi * 17.0 * u));
        const double ph = p.next(f);
        const double amp = std::pow(std::sin(kPi * x), 1.5);
        s[first + j] += amp * (std::sin(ph) + 0.25 * (1.0 - x) * std::sin(2.0 * ph));
    }
}

} // namespace

// A bouncy, slightly irregular run of bloops up a tune, then one long wobbly bloop.
Samples makeComedyBubbles() {
    static constexpr double kNotes[] = {392, 330, 440, 349, 523, 392, 587, 440, 659, 523, 784};
    Noise rng(0x636F6D);
    Samples s(sampleCount(1.25));
    double t = 0.01;
    for (double note : kNotes) {
        const double length = rng.between(0.05, 0.065);
        addBlip(s, t, length, note * rng.between(0.97, 1.03), rng.between(1.6, 2.1), 0.0);
        t += length + rng.between(0.02, 0.04);
    }
    addBlip(s, t + 0.02, 0.2, 330.0, 3.0, 0.06);
    s.resize(sampleCount(t + 0.26), 0.0);
    finish(s, {-3.0, 0.001, 0.02});
    return s;
}

// An alarm clock: two groups of four short beeps of a 2 kHz buzzer.
Samples makeTimer() {
    constexpr double kBeep = 0.06, kPeriod = 0.1, kGroup = 0.55;
    Samples s(sampleCount(kGroup + 3 * kPeriod + kBeep + 0.06));
    Phasor tone;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        double env = 0.0;
        for (int g = 0; g < 2; ++g)
            for (int b = 0; b < 4; ++b)
                env += gate(t, g * kGroup + b * kPeriod, kBeep, 0.004);
        const double p = tone.next(2000.0);
        s[i] = env * (std::sin(p) + 0.3 * std::sin(3.0 * p) + 0.12 * std::sin(5.0 * p));
    }
    finish(s, {-4.0, 0.001, 0.03});
    return s;
}

} // namespace sound
