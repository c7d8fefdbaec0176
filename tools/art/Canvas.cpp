// Raster storage, supersampled painting and 8-bit conversion for the image generators.
// Pure arithmetic: no file I/O, no fonts.
#include "Canvas.h"

#include <algorithm>
#include <cmath>

namespace art {

Canvas::Canvas(int width, int height)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

namespace {

std::uint8_t toByte(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

} // namespace

std::vector<std::uint8_t> Canvas::toStraightRgba8() const {
    std::vector<std::uint8_t> out(pixels_.size() * 4, 0);
    for (std::size_t i = 0; i < pixels_.size(); ++i) {
        const Rgba& p = pixels_[i];
        const std::uint8_t a = toByte(p.a);
        if (a == 0) continue;
        out[i * 4 + 0] = toByte(p.r / p.a);
        out[i * 4 + 1] = toByte(p.g / p.a);
        out[i * 4 + 2] = toByte(p.b / p.a);
        out[i * 4 + 3] = a;
    }
    return out;
}

Canvas paint(int width, int height, int n, const Shader& shade) {
    Canvas canvas(width, height);
    const double step = 1.0 / n;
    const double weight = 1.0 / (n * n);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Rgba sum;
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    const Rgba c = shade(x + (i + 0.5) * step, y + (j + 0.5) * step);
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                    sum.a += c.a;
                }
            }
            canvas.at(x, y) = {sum.r * weight, sum.g * weight, sum.b * weight, sum.a * weight};
        }
    }
    return canvas;
}

Canvas paintScaled(int width, int height, int n, int scale, const Shader& shade) {
    const double k = scale;
    return paint(width * scale, height * scale, n,
                 [&shade, k](double x, double y) { return shade(x / k, y / k); });
}

} // namespace art
