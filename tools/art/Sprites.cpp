// The soft sprites: the burst puff, the speech bubble behind a group's score, the floor shadow
// spot and the background tile. Pure arithmetic, no I/O.
#include "Art.h"
#include "Shape.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace art {

namespace {

Rgb mixRgb(Rgb a, Rgb b, double t) {
    return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)};
}

// One lobe of the puff: a ball whose front surface is lit like a sphere.
struct Lobe {
    double x, y, r, z;
};

// Hand-placed so the puff is lumpy: it turns while it grows, and a round one would not show it.
constexpr Lobe kLobes[] = {
    {32.0, 34.0, 15.5, 4.0}, {19.5, 37.0, 10.5, 0.0}, {45.0, 38.0, 11.0, 1.0},
    {25.0, 23.0, 11.0, 1.5}, {40.5, 22.5, 11.5, 0.5}, {32.0, 46.5, 10.0, 0.0},
    {15.5, 27.0, 7.5, -1.0}, {50.0, 28.0, 7.5, -1.0}, {21.0, 47.0, 7.0, -2.0},
    {44.0, 48.5, 7.5, -2.0},
};

// 32-bit integer hash (a fixed mixer): grain for the tile without any random generator.
std::uint32_t hash2(std::uint32_t x, std::uint32_t y) {
    std::uint32_t h = x * 0x27d4eb2dU ^ (y + 0x9e3779b9U) * 0x165667b1U;
    h ^= h >> 15;
    h *= 0x85ebca77U;
    h ^= h >> 13;
    h *= 0xc2b2ae3dU;
    h ^= h >> 16;
    return h;
}

// Outline of the speech bubble: an oval body holding the digits and a tail toward the lower
// right, where the bubble that was tapped sits.
double saysDistance(Vec2 p) {
    const double body = sdEllipse(p - Vec2{31.0, 28.5}, 29.25, 18.5);
    const double tail = sdPolygon(p, {{40.0, 39.0}, {57.0, 57.5}, {52.0, 36.0}});
    return smoothUnion(body, tail, 4.0);
}

} // namespace

Canvas paintCloud(int scale) {
    return paintScaled(64, 64, 8, scale, [](double x, double y) {
        // The lobe whose surface is nearest the viewer decides the colour; every lobe adds its
        // own soft-edged opacity, so the puff thins out at its rim like vapour.
        double bestZ = -1e9;
        double nx = 0.0, ny = 0.0, nz = 1.0;
        double clear = 1.0;
        for (const Lobe& l : kLobes) {
            const double dx = (x - l.x) / l.r, dy = (l.y - y) / l.r;
            const double d2 = dx * dx + dy * dy;
            if (d2 > 1.0) continue;
            clear *= 1.0 - 0.95 * (1.0 - smoothstep(0.45, 1.0, std::sqrt(d2)));
            const double h = std::sqrt(1.0 - d2);
            const double z = l.z + l.r * h;
            if (z > bestZ) {
                bestZ = z;
                nx = dx;
                ny = dy;
                nz = h;
            }
        }
        if (bestZ < -1e8) return Rgba{};
        const double lambert = clamp01(-0.45 * nx + 0.60 * ny + 0.66 * nz);
        const Rgb c =
            mixRgb(Rgb{0.74, 0.77, 0.84}, Rgb{1.0, 1.0, 1.0}, smoothstep(0.0, 0.85, lambert));
        return premul(c, 1.0 - clear);
    });
}

Canvas paintSays(int scale) {
    return paintScaled(64, 64, 8, scale, [](double x, double y) {
        const Vec2 p{x, y};
        const double d = saysDistance(p);
        const double shadowD = saysDistance(p - Vec2{1.2, 2.0});
        const Rgba shadow =
            premul(Rgb{0.0, 0.0, 0.0}, 0.28 * (1.0 - smoothstep(-1.5, 2.5, shadowD)));
        if (d > 0.0) return shadow;
        const Rgb fill =
            mixRgb(Rgb{1.0, 1.0, 1.0}, Rgb{0.86, 0.88, 0.92}, smoothstep(14.0, 50.0, y));
        const Rgb edge{0.40, 0.43, 0.50};
        const Rgb c = d > -1.8 ? edge : fill;
        return over(premul(c, 1.0), shadow);
    });
}

Canvas paintSpot(int scale) {
    return paintScaled(64, 64, 4, scale, [](double x, double y) {
        const double r = length(Vec2{x - 32.0, y - 32.0}) / 31.5;
        const double a = std::exp(-3.0 * r * r) * (1.0 - smoothstep(0.75, 1.0, r));
        return premul(Rgb{0.0, 0.0, 0.0}, a);
    });
}

Canvas paintBackgroundTile(int scale) {
    // The grain stays one pixel fine at every scale; the weave keeps its size.
    return paint(32 * scale, 32 * scale, 1, [scale](double px, double py) {
        const double x = px / scale, y = py / scale;
        // Whole periods across 32 pixels, so the tile repeats without a seam.
        constexpr double k = 2.0 * std::numbers::pi / 32.0;
        const double weave = 0.5 + 0.22 * std::cos(k * 2.0 * (x + y) + 0.7) +
                             0.16 * std::cos(k * 3.0 * (x - y) + 1.9) +
                             0.10 * std::cos(k * (x + 2.0 * y) + 4.1);
        const auto ix = static_cast<std::uint32_t>(px), iy = static_cast<std::uint32_t>(py);
        const double grain = (static_cast<double>(hash2(ix, iy) & 0xffffU) / 65535.0 - 0.5) * 0.35;
        const double t = clamp01(weave + grain);
        return premul(mixRgb(Rgb{0.880, 0.884, 0.876}, Rgb{0.945, 0.948, 0.940}, t), 1.0);
    });
}

} // namespace art
