// A floating-point RGBA raster with premultiplied colour, the supersampling painter that every
// image generator uses, and the conversion to 8-bit straight RGBA. No file I/O, no fonts.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace art {

// Colour premultiplied by alpha, each channel 0..1.
struct Rgba {
    double r = 0.0, g = 0.0, b = 0.0, a = 0.0;
};

struct Rgb {
    double r = 0.0, g = 0.0, b = 0.0;
};

inline Rgba premul(Rgb c, double a) {
    return {c.r * a, c.g * a, c.b * a, a};
}

// Porter-Duff "over" on premultiplied colours.
inline Rgba over(Rgba top, Rgba under) {
    const double k = 1.0 - top.a;
    return {top.r + under.r * k, top.g + under.g * k, top.b + under.b * k, top.a + under.a * k};
}

class Canvas {
  public:
    Canvas(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    Rgba& at(int x, int y) { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }
    const Rgba& at(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }

    // Straight (non-premultiplied) 8-bit R, G, B, A, top row first; fully transparent pixels
    // are written as all zero so that the bytes depend only on what is visible.
    std::vector<std::uint8_t> toStraightRgba8() const;

  private:
    int width_;
    int height_;
    std::vector<Rgba> pixels_;
};

// Point shader: premultiplied colour at (x, y) in pixel units, origin at the top-left corner of
// the image, y growing downwards.
using Shader = std::function<Rgba(double x, double y)>;

// Paints a width × height image by averaging n × n evenly spread samples in every pixel, which
// gives anti-aliased edges without any randomness.
Canvas paint(int width, int height, int n, const Shader& shade);

// The same picture `scale` times as fine (the @2x and @3x images): width × height still in the
// named image's pixels, which the shader keeps seeing, while the canvas has `scale` × `scale`
// pixels for each. Scale 1 is paint() itself, to the bit.
Canvas paintScaled(int width, int height, int n, int scale, const Shader& shade);

} // namespace art
