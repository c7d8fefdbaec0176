// Checks of the image generators against facts that do not come from their own code: PNG round
// trips, the premultiplication a decoder applies, shape signs by brute force, clear edges for
// repeating textures, and the scalable icon against the painted one. (That the committed images
// are what the generator makes, and that it fails without its font, CTest checks on the tool.)
#include "Art.h"
#include "PngIo.h"
#include "Shape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

double maxBorderAlpha(const art::Canvas& c) {
    double most = 0;
    for (int i = 0; i < c.width(); ++i)
        most = std::max({most, c.at(i, 0).a, c.at(i, c.height() - 1).a, c.at(0, i).a,
                         c.at(c.width() - 1, i).a});
    return most;
}

TEST(PngIo, RoundTripKeepsEveryByteAndFailuresAreReported) {
    art::Image image{5, 3, {}};
    for (int i = 0; i < 5 * 3 * 4; ++i)
        image.rgba.push_back(static_cast<std::uint8_t>((i * 37 + 11) % 256));
    const auto path = std::filesystem::temp_directory_path() / "spheron-art-roundtrip.png";
    std::string error;
    ASSERT_TRUE(art::writePng(path.string(), image, error)) << error;
    art::Image back;
    ASSERT_TRUE(art::readPng(path.string(), back, error)) << error;
    std::filesystem::remove(path);
    EXPECT_EQ(back.width, 5);
    EXPECT_EQ(back.height, 3);
    EXPECT_EQ(back.rgba, image.rgba);

    error.clear();
    EXPECT_FALSE(art::writePng("/nonexistent-folder/x.png", image, error));
    EXPECT_FALSE(error.empty());
    image.rgba.pop_back();
    EXPECT_FALSE(art::writePng(path.string(), image, error)) << "short pixel buffer accepted";
}

TEST(Canvas, StraightBytesPremultiplyBackToThePaintedColour) {
    art::Canvas c(3, 1);
    c.at(0, 0) = {0.25, 0.1, 0.0, 0.5};
    c.at(1, 0) = {0.3, 0.2, 0.1, 0.0}; // invisible colour must not reach the file
    c.at(2, 0) = {0.9, 0.6, 0.3, 1.0};
    const auto bytes = c.toStraightRgba8();
    EXPECT_EQ(bytes[3], 128);
    EXPECT_EQ(bytes[4] + bytes[5] + bytes[6] + bytes[7], 0);
    // A decoder premultiplies: c × a / 255 must land within one step of the painted value.
    for (int px : {0, 2}) {
        const art::Rgba p = c.at(px, 0);
        const double painted[3] = {p.r, p.g, p.b};
        for (int k = 0; k < 3; ++k) {
            const int decoded = (bytes[px * 4 + k] * bytes[px * 4 + 3] + 127) / 255;
            EXPECT_NEAR(decoded, painted[k] * 255.0, 1.0) << "pixel " << px << " channel " << k;
        }
    }
}

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

TEST(Images, SpritesAreClearAtTheEdgesAndSolidWhereDrawn) {
    // The textures repeat, so anything on an edge would bleed onto the opposite one.
    std::vector<art::Canvas> all = {art::paintCloud(), art::paintSays(), art::paintSpot()};
    for (int c = 0; c < 7; ++c)
        all.push_back(art::paintBubble(static_cast<art::BubbleColour>(c)));
    for (int a = 0; a < 4; ++a)
        all.push_back(art::paintArrow(static_cast<art::Arrow>(a)));
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_LT(maxBorderAlpha(all[i]), 4.0 / 255.0) << "image " << i;
        EXPECT_GT(all[i].at(all[i].width() / 2, all[i].height() / 2).a, 0.9) << "image " << i;
    }
    // The shadow spot darkens most in the middle and fades outwards.
    const art::Canvas spot = art::paintSpot();
    for (int x = 33; x < 64; ++x) {
        EXPECT_LE(spot.at(x, 32).a, spot.at(x - 1, 32).a) << x;
        EXPECT_EQ(spot.at(x, 32).r, 0.0);
    }
    const auto tile = art::paintBackgroundTile().toStraightRgba8();
    for (std::size_t i = 3; i < tile.size(); i += 4)
        ASSERT_EQ(tile[i], 255) << "the background tile must be opaque";
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
