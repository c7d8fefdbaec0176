// Checks of the image generators against facts that do not come from their own code: shape signs
// by brute force and the scalable icon against the painted one. (That the committed images are
// what the generator writes, byte for byte, and that it fails without its font, CTest checks on
// the tool itself.)
#include "Art.h"
#include "Shape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(Shape, SignsAgreeWithDirectInsideTests) {
    // A concave polygon (an arrow) against even-odd ray casting, the ellipse against its equation.
    const std::vector<art::Vec2> arrow = {{6, 13},  {16, 13}, {16, 7}, {27, 16},
                                          {16, 25}, {16, 19}, {6, 19}};
    int mismatches = 0;
    for (double y = 0.25; y < 32; y += 0.5)
        for (double x = 0.25; x < 32; x += 0.5) {
            bool in = false;
            for (std::size_t i = 0, j = arrow.size() - 1; i < arrow.size(); j = i++) {
                const art::Vec2 a = arrow[i], b = arrow[j];
                if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y))
                    in = !in;
            }
            mismatches += in != (art::sdPolygon({x, y}, arrow) < 0);
            const double e = (x - 16) * (x - 16) / 100.0 + (y - 16) * (y - 16) / 36.0;
            mismatches += (e < 1.0) != (art::sdEllipse({x - 16, y - 16}, 10, 6) < 0);
        }
    EXPECT_EQ(mismatches, 0);
    EXPECT_NEAR(art::sdPolygon({1, 16}, arrow), 5.0, 1e-12); // distance to the shaft's end
    EXPECT_NEAR(art::sdEllipse({13, 0}, 10, 6), 3.0, 1e-9);
    EXPECT_NEAR(art::sdEllipse({0, -8}, 10, 6), 2.0, 1e-9);
}

// ---- Crisp at every scale, and a symbol for each colour ----

// Alpha at (x, y) in the canvas's own pixels, bilinear between pixel centres as GL_LINEAR is.
double alphaAt(const art::Canvas& c, double x, double y) {
    const double u = x - 0.5, v = y - 0.5;
    const int i = int(std::floor(u)), j = int(std::floor(v));
    auto a = [&c](int px, int py) {
        return px < 0 || py < 0 || px >= c.width() || py >= c.height() ? 0.0 : c.at(px, py).a;
    };
    const double tu = u - i, tv = v - j;
    return (a(i, j) * (1 - tu) + a(i + 1, j) * tu) * (1 - tv) +
           (a(i, j + 1) * (1 - tu) + a(i + 1, j + 1) * tu) * tv;
}

// How far, in pixels of the 64-pixel image, the outline goes from 90 % to 10 % opaque along the
// ray from the centre at `angle`, in a bubble drawn `scale` times as fine.
double edgeWidth(const art::Canvas& c, int scale, double angle) {
    double inner = 0.0, outer = 0.0;
    for (double r = 26.0; r < 34.0; r += 0.005) {
        const double a = alphaAt(c, (32.0 + r * std::cos(angle)) * scale,
                                 (32.0 - r * std::sin(angle)) * scale);
        if (inner == 0.0 && a < 0.9) inner = r;
        if (a < 0.1) {
            outer = r;
            break;
        }
    }
    return outer - inner;
}

TEST(Scales, TheFinerBubblesHaveSharperOutlinesThanTheOneTimesImageEnlarged) {
    for (int colour = 0; colour < 7; colour += 3) {
        const auto bubble = static_cast<art::BubbleColour>(colour);
        const art::Canvas one = art::paintBubble(bubble), three = art::paintBubble(bubble, 3);
        ASSERT_EQ(three.width(), 192);
        for (double angle = 0.1; angle < 6.28; angle += 0.7) {
            const double enlarged = edgeWidth(one, 1, angle), fine = edgeWidth(three, 3, angle);
            EXPECT_GT(enlarged, 0.6) << colour << " at " << angle;
            EXPECT_LT(fine, 0.7 * enlarged) << colour << " at " << angle;
        }
    }
}

TEST(Symbols, TheSevenShapesDifferPairwise) {
    std::vector<std::vector<bool>> masks(7);
    for (int c = 0; c < 7; ++c)
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                masks[c].push_back(art::symbolDistance(static_cast<art::BubbleColour>(c),
                                                       (x + 0.5 - 32) / 31, (32 - y - 0.5) / 31) <= 0);
    for (int a = 0; a < 7; ++a)
        for (int b = a + 1; b < 7; ++b) {
            int differ = 0, either = 0;
            for (std::size_t i = 0; i < masks[a].size(); ++i) {
                differ += masks[a][i] != masks[b][i];
                either += masks[a][i] || masks[b][i];
            }
            EXPECT_GT(differ, either / 5) << a << " and " << b; // a fifth of what either covers
        }
}

// ---- The desktop icon ----

struct Circle {
    double cx, cy, r;
};

// The circles of the SVG document, read back from its text.
std::vector<Circle> svgCircles(const std::string& svg) {
    std::vector<Circle> circles;
    for (std::size_t at = svg.find("<circle "); at != std::string::npos;
         at = svg.find("<circle ", at + 1)) {
        Circle c{};
        if (std::sscanf(svg.c_str() + at, "<circle cx=\"%lf\" cy=\"%lf\" r=\"%lf\"", &c.cx, &c.cy,
                        &c.r) == 3)
            circles.push_back(c);
    }
    return circles;
}

TEST(Icon, ThreeColouredBubblesAtEverySizeAndTheSvgCoversTheSamePixels) {
    for (int size : art::kIconSizes) {
        const art::Canvas icon = art::paintIcon(size);
        ASSERT_EQ(icon.width(), size);
        ASSERT_EQ(icon.height(), size);
        const int last = size - 1;
        for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
            EXPECT_EQ(icon.at(x, y).a, 0.0) << size << ": corner " << x << "," << y;
        // Below and right of each bubble's middle, away from the highlights.
        auto sample = [&](double fx, double fy) { return icon.at(int(fx * size), int(fy * size)); };
        const art::Rgba red = sample(0.30, 0.78), blue = sample(0.76, 0.78);
        const art::Rgba yellow = sample(0.56, 0.30);
        EXPECT_GT(red.r, 2 * std::max(red.g, red.b)) << size;
        EXPECT_GT(blue.b, 1.5 * std::max(blue.r, blue.g)) << size;
        EXPECT_GT(std::min(yellow.r, yellow.g), 2 * yellow.b) << size;
    }

    const art::Canvas big = art::paintIcon(256);
    // The scalable icon's circles cover exactly the painted pixels, edges aside.
    const std::string svg = art::iconSvg();
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("viewBox=\"0 0 256 256\""), std::string::npos);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    const std::vector<Circle> circles = svgCircles(svg);
    ASSERT_EQ(circles.size(), 3u) << svg;
    int mismatches = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            double nearestEdge = 1e9;
            bool inside = false;
            for (const Circle& c : circles) {
                const double d = std::hypot(x + 0.5 - c.cx, y + 0.5 - c.cy) - c.r;
                nearestEdge = std::min(nearestEdge, std::abs(d));
                inside = inside || d < 0;
            }
            if (nearestEdge > 1.0) mismatches += inside != (big.at(x, y).a > 0.5);
        }
    EXPECT_EQ(mismatches, 0);
}

} // namespace
