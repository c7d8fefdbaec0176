// The glossy bubbles: a shaded sphere with a translucent inner glow, a darker rim and a soft
// specular highlight, transparent outside the circle; and the icon made of three of them.
// Pure arithmetic, no I/O.
#include "Art.h"
#include "Shape.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace art {

namespace {

// Lit side, body and shadow side of one bubble colour.
struct Palette {
    Rgb light, base, dark;
};

Palette paletteOf(BubbleColour colour) {
    switch (colour) {
    case BubbleColour::Red:
        return {{1.00, 0.50, 0.46}, {0.88, 0.10, 0.12}, {0.42, 0.02, 0.05}};
    case BubbleColour::Blue:
        return {{0.55, 0.80, 1.00}, {0.13, 0.44, 0.93}, {0.03, 0.14, 0.45}};
    case BubbleColour::Green:
        return {{0.62, 0.95, 0.52}, {0.17, 0.69, 0.20}, {0.02, 0.30, 0.08}};
    case BubbleColour::Yellow:
        return {{1.00, 0.98, 0.62}, {0.99, 0.84, 0.10}, {0.72, 0.46, 0.02}};
    case BubbleColour::Purple:
        return {{0.88, 0.66, 1.00}, {0.60, 0.26, 0.82}, {0.26, 0.07, 0.42}};
    case BubbleColour::Orange:
        return {{1.00, 0.78, 0.42}, {1.00, 0.50, 0.05}, {0.60, 0.20, 0.01}};
    case BubbleColour::White:
        break;
    }
    return {{1.00, 1.00, 1.00}, {0.90, 0.91, 0.94}, {0.52, 0.55, 0.64}};
}

Rgb mixRgb(Rgb a, Rgb b, double t) {
    return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)};
}

// Adds white light without overshooting: screen blend.
Rgb screenWhite(Rgb c, double amount) {
    return {c.r + (1.0 - c.r) * amount, c.g + (1.0 - c.g) * amount, c.b + (1.0 - c.b) * amount};
}

constexpr double kSize = 64.0;
constexpr double kRadius = 31.0; // keeps the outermost pixels clear: the texture wraps
// The symbol's dark band, in radii: two pixels of the 64-pixel image, still one where a bubble is
// drawn at half that size.
constexpr double kSymbolEdge = 2.0 / kRadius;

Rgb shadeSphere(const Palette& p, double nx, double ny) {
    const double r2 = nx * nx + ny * ny;
    const double nz = std::sqrt(std::max(0.0, 1.0 - r2));
    const double r = std::sqrt(r2);

    // Key light from the upper left, in front of the bubble.
    const double lx = -0.42, ly = 0.62, lz = 0.66;
    const double lambert = nx * lx + ny * ly + nz * lz;
    Rgb c = lambert < 0.25 ? mixRgb(p.dark, p.base, smoothstep(-0.75, 0.25, lambert))
                           : mixRgb(p.base, p.light, 0.55 * smoothstep(0.25, 1.0, lambert));

    // Light passing through the bubble gathers on the side away from the key light.
    const double gx = nx - 0.18, gy = ny + 0.52;
    const double glow = std::exp(-(gx * gx * 2.2 + gy * gy * 5.0)) * 0.55;
    c = mixRgb(c, p.light, glow);

    // A darker rim gives the outline on a light background.
    c = mixRgb(c, mixRgb(p.dark, Rgb{0.0, 0.0, 0.0}, 0.25), 0.75 * smoothstep(0.80, 1.0, r));

    // Broad soft highlight: a tilted ellipse on the upper left, bright at its top.
    const Vec2 h = rotate(Vec2{nx + 0.30, ny - 0.45}, 0.55);
    const double eh = (h.x * h.x) / (0.40 * 0.40) + (h.y * h.y) / (0.24 * 0.24);
    const double broad =
        (1.0 - smoothstep(0.35, 1.0, eh)) * mix(0.35, 0.85, clamp01(h.y / 0.24 + 0.5));
    c = screenWhite(c, broad);

    // Small sharp hot spot of the light itself.
    const double hx = nx + 0.34, hy = ny - 0.50;
    const double hot = std::exp(-(hx * hx + hy * hy) / 0.006);
    c = screenWhite(c, hot * 0.9);

    // Faint reflected rim light on the lower right edge.
    const double back =
        clamp01(0.5 * (nx - ny)) * smoothstep(0.78, 0.95, r) * (1.0 - smoothstep(0.95, 1.0, r));
    return screenWhite(c, back * 0.25);
}

} // namespace

Canvas paintBubble(BubbleColour colour, int scale, bool symbol) {
    const Palette p = paletteOf(colour);
    // A light face inside a dark band reads on every colour, the white one included.
    const Rgb face = mixRgb(Rgb{1.0, 1.0, 1.0}, p.light, 0.15);
    const Rgb edge = mixRgb(p.dark, Rgb{0.0, 0.0, 0.0}, 0.45);
    return paintScaled(64, 64, 8, scale, [&](double x, double y) {
        const double nx = (x - kSize * 0.5) / kRadius;
        const double ny = (kSize * 0.5 - y) / kRadius;
        if (nx * nx + ny * ny > 1.0) return Rgba{};
        if (symbol) {
            const double d = symbolDistance(colour, nx, ny);
            if (d <= 0.0) return premul(face, 1.0);
            if (d <= kSymbolEdge) return premul(edge, 1.0);
        }
        return premul(shadeSphere(p, nx, ny), 1.0);
    });
}

namespace {

// Three bubbles for the icon, back to front: each one in front covers the one behind it.
struct IconBubble {
    double cx, cy; // centre, in icon sides from the top-left corner
    BubbleColour colour;
};
constexpr IconBubble kIconBubbles[] = {{0.50, 0.32, BubbleColour::Yellow},
                                       {0.29, 0.68, BubbleColour::Red},
                                       {0.71, 0.68, BubbleColour::Blue}};
constexpr double kIconRadius = 0.27; // in icon sides

std::string hex(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", unsigned(std::lround(clamp01(c.r) * 255)),
                  unsigned(std::lround(clamp01(c.g) * 255)),
                  unsigned(std::lround(clamp01(c.b) * 255)));
    return text;
}

} // namespace

Canvas paintIcon(int size) {
    const double side = size;
    return paint(size, size, 8, [side](double x, double y) {
        Rgba c;
        for (const IconBubble& b : kIconBubbles) {
            const double nx = (x / side - b.cx) / kIconRadius;
            const double ny = (b.cy - y / side) / kIconRadius;
            if (nx * nx + ny * ny <= 1.0)
                c = over(premul(shadeSphere(paletteOf(b.colour), nx, ny), 1.0), c);
        }
        return c;
    });
}

std::string iconSvg() {
    constexpr double kSide = 256.0;
    std::string defs, body;
    char text[400];
    int n = 0;
    for (const IconBubble& b : kIconBubbles) {
        const Palette p = paletteOf(b.colour);
        const Rgb rim = mixRgb(p.dark, Rgb{0.0, 0.0, 0.0}, 0.25);
        std::snprintf(text, sizeof text,
                      "<radialGradient id=\"b%d\" fx=\"0.36\" fy=\"0.28\">"
                      "<stop offset=\"0\" stop-color=\"%s\"/>"
                      "<stop offset=\"0.55\" stop-color=\"%s\"/>"
                      "<stop offset=\"0.88\" stop-color=\"%s\"/>"
                      "<stop offset=\"1\" stop-color=\"%s\"/></radialGradient>\n",
                      n, hex(p.light).c_str(), hex(p.base).c_str(),
                      hex(mixRgb(p.base, p.dark, 0.6)).c_str(), hex(rim).c_str());
        defs += text;
        const double cx = b.cx * kSide, cy = b.cy * kSide, r = kIconRadius * kSide;
        // The broad highlight: the raster's tilted ellipse, upper left of the centre.
        const double hx = cx - 0.30 * r, hy = cy - 0.45 * r;
        std::snprintf(text, sizeof text,
                      "<circle cx=\"%.2f\" cy=\"%.2f\" r=\"%.2f\" fill=\"url(#b%d)\"/>\n"
                      "<ellipse cx=\"%.2f\" cy=\"%.2f\" rx=\"%.2f\" ry=\"%.2f\" "
                      "transform=\"rotate(31.5 %.2f %.2f)\" fill=\"url(#h)\"/>\n",
                      cx, cy, r, n, hx, hy, 0.40 * r, 0.24 * r, hx, hy);
        body += text;
        ++n;
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
           "viewBox=\"0 0 256 256\">\n<defs>\n" +
           defs +
           "<radialGradient id=\"h\" cy=\"0.3\" r=\"0.7\">"
           "<stop offset=\"0\" stop-color=\"#ffffff\" stop-opacity=\"0.9\"/>"
           "<stop offset=\"1\" stop-color=\"#ffffff\" stop-opacity=\"0\"/></radialGradient>\n"
           "</defs>\n" +
           body + "</svg>\n";
}

} // namespace art
