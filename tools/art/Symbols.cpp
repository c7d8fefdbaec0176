// The symbols that tell the seven bubble colours apart without seeing colour, and the simulation
// of colour-blind sight that checks pictures of them. Pure arithmetic, no I/O.
#include "Art.h"
#include "Shape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace art {

namespace {

constexpr double kPi = std::numbers::pi;
// The symbols sit a little below the bubble's middle, clear of its highlight, about as wide as
// 0.9 of the radius.
constexpr Vec2 kCentre{0.0, -0.06};

std::vector<Vec2> regular(int corners, double radius, double turn) {
    std::vector<Vec2> v;
    for (int i = 0; i < corners; ++i) {
        const double a = turn + 2.0 * kPi * i / corners;
        v.push_back({radius * std::cos(a), radius * std::sin(a)});
    }
    return v;
}

std::vector<Vec2> star() {
    std::vector<Vec2> v;
    for (int i = 0; i < 10; ++i) {
        const double a = kPi / 2.0 + kPi * i / 5.0, r = i % 2 == 0 ? 0.50 : 0.21;
        v.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return v;
}

std::vector<Vec2> plus() {
    constexpr double a = 0.13, b = 0.42;
    return {{a, b}, {-a, b}, {-a, a}, {-b, a}, {-b, -a}, {-a, -a},
            {-a, -b}, {a, -b}, {a, -a}, {b, -a}, {b, a}, {a, a}};
}

// The classic parametric heart, its point down, scaled to the other symbols' size.
std::vector<Vec2> heart() {
    std::vector<Vec2> v;
    for (int i = 0; i < 96; ++i) {
        const double t = 2.0 * kPi * i / 96.0;
        const double x = 16.0 * std::pow(std::sin(t), 3.0);
        const double y = 13.0 * std::cos(t) - 5.0 * std::cos(2.0 * t) - 2.0 * std::cos(3.0 * t) -
                         std::cos(4.0 * t);
        v.push_back({x * 0.027, (y + 2.5) * 0.027});
    }
    return v;
}

} // namespace

double symbolDistance(BubbleColour colour, double x, double y) {
    static const std::vector<Vec2> shapes[] = {
        heart(),                          // red
        {},                               // blue: a crescent, below
        plus(),                           // green
        star(),                           // yellow
        regular(4, 0.42, kPi / 2.0),      // purple: a diamond
        regular(3, 0.46, kPi / 2.0),      // orange: a triangle, point up
        regular(4, 0.40, kPi / 4.0),      // white: a square
    };
    const Vec2 p = Vec2{x, y} - kCentre;
    const auto i = static_cast<std::size_t>(colour);
    // The crescent: a disc less one shifted toward the upper right, horns a third of its radius.
    if (shapes[i].empty()) return std::max(length(p) - 0.42, 0.34 - length(p - Vec2{0.19, 0.13}));
    return sdPolygon(p, shapes[i]) - 0.02; // corners a little rounded
}

void simulateDeficiency(Deficiency kind, std::vector<std::uint8_t>& rgba) {
    // Machado et al. 2009, severity 1.0, rows giving linear R, G and B.
    using Matrix = std::array<double, 9>;
    static constexpr Matrix kMatrices[] = {
        {0.152286, 1.052583, -0.204868, 0.114503, 0.786281, 0.099216, -0.003882, -0.048116,
         1.051998},
        {0.367322, 0.860646, -0.227968, 0.280085, 0.672501, 0.047413, -0.011820, 0.042940,
         0.968881},
        {1.255528, -0.076749, -0.178779, -0.078411, 0.930809, 0.147602, 0.004733, 0.691367,
         0.303900},
    };
    const Matrix& m = kMatrices[static_cast<int>(kind)];
    std::array<double, 256> linear{};
    for (int i = 0; i < 256; ++i) {
        const double c = i / 255.0;
        linear[std::size_t(i)] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    auto encode = [](double c) {
        c = clamp01(c);
        c = c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
        return static_cast<std::uint8_t>(std::lround(c * 255.0));
    };
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const double r = linear[rgba[i]], g = linear[rgba[i + 1]], b = linear[rgba[i + 2]];
        for (std::size_t k = 0; k < 3; ++k)
            rgba[i + k] = encode(m[3 * k] * r + m[3 * k + 1] * g + m[3 * k + 2] * b);
    }
}

} // namespace art
