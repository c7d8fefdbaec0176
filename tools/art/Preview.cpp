// spheron-art-preview: a development aid that shows the generated images the way the game
// draws them (premultiplied texels, modulate, SRC_ALPHA blending, bilinear sampling without
// mipmaps, the game's camera) in three sheets. Not used by the build of the game.
#include "PngIo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <string>
#include <vector>

namespace {

struct V3 {
    double x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, double k) {
    return {a.x * k, a.y * k, a.z * k};
}
double dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Colour {
    double r = 1, g = 1, b = 1, a = 1;
};

// A texture as the game's decoder leaves it: premultiplied, top row first.
struct Texture {
    int w = 0, h = 0;
    std::vector<double> px;
    std::array<double, 4> texel(int x, int y) const {
        x = ((x % w) + w) % w; // GL_REPEAT
        y = ((y % h) + h) % h;
        const double* p = &px[static_cast<std::size_t>((y * w + x) * 4)];
        return {p[0], p[1], p[2], p[3]};
    }
    std::array<double, 4> sample(double s, double t) const { // GL_LINEAR
        const double u = s * w - 0.5, v = t * h - 0.5;
        const int x0 = static_cast<int>(std::floor(u)), y0 = static_cast<int>(std::floor(v));
        const double fx = u - x0, fy = v - y0;
        std::array<double, 4> out{};
        const auto a = texel(x0, y0), b = texel(x0 + 1, y0), c = texel(x0, y0 + 1),
                   d = texel(x0 + 1, y0 + 1);
        for (int i = 0; i < 4; ++i)
            out[static_cast<std::size_t>(i)] =
                (a[i] * (1 - fx) + b[i] * fx) * (1 - fy) + (c[i] * (1 - fx) + d[i] * fx) * fy;
        return out;
    }
};

bool loadTexture(const std::string& path, Texture& tex) {
    art::Image image;
    std::string error;
    if (!art::readPng(path, image, error)) {
        std::fprintf(stderr, "spheron-art-preview: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    tex.w = image.width;
    tex.h = image.height;
    tex.px.resize(image.rgba.size());
    for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
        const int a = image.rgba[i + 3];
        for (std::size_t k = 0; k < 3; ++k)
            tex.px[i + k] = ((image.rgba[i + k] * a + 127) / 255) / 255.0;
        tex.px[i + 3] = a / 255.0;
    }
    return true;
}

struct Frame {
    int w, h;
    std::vector<double> rgb;
    Frame(int width, int height)
        : w(width), h(height), rgb(static_cast<std::size_t>(width * height * 3), 1.0) {}
    void blend(int x, int y, std::array<double, 4> t, Colour c) {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        const double a = t[3] * c.a;
        double* d = &rgb[static_cast<std::size_t>((y * w + x) * 3)];
        const double src[3] = {t[0] * c.r, t[1] * c.g, t[2] * c.b};
        for (int k = 0; k < 3; ++k)
            d[k] = std::clamp(src[k] * a + d[k] * (1 - a), 0.0, 1.0);
    }
    void blit(const Frame& f, int ox, int oy) {
        for (int y = 0; y < f.h; ++y)
            for (int x = 0; x < f.w; ++x)
                for (int k = 0; k < 3; ++k)
                    if (x + ox < w && y + oy < h)
                        rgb[static_cast<std::size_t>(((y + oy) * w + x + ox) * 3 + k)] =
                            f.rgb[static_cast<std::size_t>((y * f.w + x) * 3 + k)];
    }
    bool save(const std::string& path) const {
        art::Image image{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w * h * 4), 255)};
        for (std::size_t i = 0; i < static_cast<std::size_t>(w * h); ++i)
            for (std::size_t k = 0; k < 3; ++k)
                image.rgba[i * 4 + k] =
                    static_cast<std::uint8_t>(std::lround(rgb[i * 3 + k] * 255));
        std::string error;
        if (!art::writePng(path, image, error)) {
            std::fprintf(stderr, "spheron-art-preview: %s: %s\n", path.c_str(), error.c_str());
            return false;
        }
        return true;
    }
};

// The game's camera: 60 degree vertical field of view, eye at (0, 0, 7.55) looking at the origin.
struct Camera {
    Frame& frame;
    double focal;
    V3 eye{0, 0, 7.55};
    explicit Camera(Frame& f)
        : frame(f), focal(f.h * 0.5 / std::tan(30.0 * std::numbers::pi / 180.0)) {}

    void quad(const Texture& tex, V3 c, V3 ex, V3 ey, Colour col) {
        double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
        for (double i : {-0.5, 0.5})
            for (double j : {-0.5, 0.5}) {
                const V3 p = c + ex * i + ey * j - eye;
                const double sx = frame.w * 0.5 + focal * p.x / -p.z,
                             sy = frame.h * 0.5 - focal * p.y / -p.z;
                minX = std::min(minX, sx), maxX = std::max(maxX, sx);
                minY = std::min(minY, sy), maxY = std::max(maxY, sy);
            }
        const V3 n = cross(ex, ey);
        for (int y = std::max(0, static_cast<int>(minY) - 1);
             y <= std::min(frame.h - 1, static_cast<int>(maxY) + 1); ++y)
            for (int x = std::max(0, static_cast<int>(minX) - 1);
                 x <= std::min(frame.w - 1, static_cast<int>(maxX) + 1); ++x) {
                const V3 d{(x + 0.5 - frame.w * 0.5) / focal, -(y + 0.5 - frame.h * 0.5) / focal,
                           -1};
                const double nd = dot(n, d);
                if (std::fabs(nd) < 1e-12) continue;
                const V3 p = eye + d * (dot(n, c - eye) / nd) - c;
                const double u = dot(p, ex) / dot(ex, ex), v = dot(p, ey) / dot(ey, ey);
                if (std::fabs(u) > 0.5 || std::fabs(v) > 0.5) continue;
                frame.blend(x, y, tex.sample(u + 0.5, 0.5 - v), col);
            }
    }
    void billboard(const Texture& tex, V3 c, double size, Colour col, double angle = 0) {
        const double cs = std::cos(angle), sn = std::sin(angle);
        quad(tex, c, V3{cs, sn, 0} * size, V3{-sn, cs, 0} * size, col);
    }
    void number(const std::map<std::string, Texture>& t, V3 at, int value, Colour col) {
        static const char* names[] = {"zero", "one", "two",   "three", "four",
                                      "five", "six", "seven", "eight", "nine"};
        const std::string text = std::to_string(value);
        double width = 0;
        for (char ch : text)
            width += ch == '1' ? 0.375 : 0.405;
        double pen = at.x - (width - 0.395) * 0.5;
        for (char ch : text) {
            billboard(t.at(std::string(names[ch - '0']) + "64x64-6.png"), V3{pen, at.y, at.z}, 0.55,
                      col);
            pen += ch == '1' ? 0.375 : 0.405;
        }
    }
};

void gradient(Frame& f) {
    for (int y = 0; y < f.h; ++y) {
        const double t = 1.0 - (y + 0.5) / f.h; // 0 at the bottom
        double r = 0.698, g = 0.7059, b = 0.702;
        if (t < 0.35) {
            const double k = t / 0.35;
            r += (0.9961 - r) * k, g += (0.9961 - g) * k, b += (0.9961 - b) * k;
        } else {
            const double k = (t - 0.35) / 0.65;
            r = g = b = 0.9961 + (1.0 - 0.9961) * k;
        }
        for (int x = 0; x < f.w; ++x) {
            double* d = &f.rgb[static_cast<std::size_t>((y * f.w + x) * 3)];
            d[0] = r, d[1] = g, d[2] = b;
        }
    }
}

constexpr const char* kBallNames[] = {"red", "blue", "green", "yellow", "pink", "orange", "white"};
constexpr Colour kTints[] = {{0.65, 0.15, 0.15, 1}, {0.25, 0.55, 0.95, 1}, {0.15, 0.65, 0.15, 1},
                             {0.7, 0.7, 0.15, 1},   {0.8, 0.3, 0.85, 1},   {0.98, 0.69, 0.16, 1},
                             {1, 1, 1, 1}};

int cellOf(int x, int y, int z) {
    return (x + 2) + (y + 2) * 5 + (z + 2) * 25;
}

// A board at rest; selectColour >= 0 selects a group of that colour around the front cell (0, 0,
// 2).
void scene(Frame& f, const std::map<std::string, Texture>& t, int selectColour, bool burst) {
    gradient(f);
    Camera cam(f);
    std::array<int, 125> colour{};
    unsigned seed = 12345;
    for (int& c : colour) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<int>((seed >> 16) % 7);
    }
    std::array<bool, 125> selected{};
    int anchor = -1;
    if (selectColour >= 0) {
        for (int cell : {cellOf(0, 0, 2), cellOf(1, 0, 2), cellOf(1, -1, 2), cellOf(0, 0, 1)}) {
            colour[static_cast<std::size_t>(cell)] = selectColour;
            selected[static_cast<std::size_t>(cell)] = true;
        }
        anchor = cellOf(0, 0, 2);
    }
    // The red scene also shows the score's game-over colour.
    cam.number(t, V3{0.0, 2.657, 2.5}, 1234,
               selectColour == 0 ? Colour{0.9, 0.3, 0.3, 1} : Colour{});
    for (int x = -2; x <= 2; ++x)
        for (int z = -2; z <= 2; ++z) {
            bool sel = false;
            for (int y = -2; y <= 2; ++y)
                sel = sel || selected[static_cast<std::size_t>(cellOf(x, y, z))];
            Colour c{0.35, 0.35, 0.35, 0.2};
            if (selectColour >= 0)
                c = sel ? Colour{0.4, 0.4, 0.4, 0.35} : Colour{0.3, 0.3, 0.3, 0.05};
            cam.quad(t.at("spot64x64.png"), V3{double(x), -3.0, 0.5 + z}, V3{1, 0, 0}, V3{0, 0, 1},
                     c);
        }
    std::vector<int> order(125);
    for (int i = 0; i < 125; ++i)
        order[static_cast<std::size_t>(i)] = i;
    auto pos = [](int cell) {
        return V3{double(cell % 5 - 2), double(cell / 5 % 5 - 2), double(cell / 25 - 2)};
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const V3 pa = pos(a) - cam.eye, pb = pos(b) - cam.eye;
        return dot(pa, pa) > dot(pb, pb);
    });
    // Two bursts at different stages; the puffs grow as the bubble shrinks.
    const int burstCell = cellOf(-1, 1, 2), lateCell = cellOf(1, -1, 2), deadCell = cellOf(1, 2, 2);
    auto burstScale = [&](int cell) {
        return cell == burstCell ? 0.55 : cell == lateCell ? 0.15 : 1.0;
    };
    for (int cell : order) {
        if (cell == deadCell && burst) continue;
        const double scale = burst ? burstScale(cell) : 1.0;
        Colour c{};
        if (selectColour >= 0 && !selected[static_cast<std::size_t>(cell)]) c.a = 0.15;
        const std::string name =
            std::string(kBallNames[colour[static_cast<std::size_t>(cell)]]) + "_bubble64x64-1.png";
        cam.billboard(t.at(name), pos(cell), scale + 0.04, c);
        if (scale < 1.0) {
            const double angle = (cell == burstCell ? 25.0 : 140.0) * std::numbers::pi / 180.0;
            const V3 offsets[] = {{-0.21, 0.2, 0}, {0.165, 0, 0}, {0, -0.12, 0}};
            const double sizes[] = {0.05, 0.11, 0.21};
            for (int k = 0; k < 3; ++k) {
                const V3 o = offsets[k];
                const V3 r{o.x * std::cos(angle) - o.y * std::sin(angle),
                           o.x * std::sin(angle) + o.y * std::cos(angle), 0};
                cam.billboard(t.at("cloud64x64.png"), pos(cell) + r, 1.0 - scale + sizes[k], c,
                              angle);
            }
        }
    }
    if (anchor >= 0) {
        const V3 a = pos(anchor);
        double x = a.x - 0.75;
        if (x < -2.0) x += 0.75;
        const V3 at{x, a.y + 0.35, 0.5 + a.z};
        cam.billboard(t.at("says64x64.png"), at, 1.5, Colour{});
        cam.number(t, V3{at.x - 0.015, at.y + 0.075, at.z}, selectColour == 6 ? 144 : 9,
                   kTints[selectColour]);
    }
}

// Every image at twice its size over the game's gradient; the arrows over the toolbar's grey.
void sheet(Frame& f, const std::vector<std::string>& names,
           const std::map<std::string, Texture>& t) {
    gradient(f);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Texture& tex = t.at(names[i]);
        const int ox = static_cast<int>(i % 7) * 136 + 4, oy = static_cast<int>(i / 7) * 136 + 4;
        const bool arrow = tex.w == 32 && names[i] != "bg32x32.png";
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const int tx = x * tex.w / 128, ty = y * tex.h / 128;
                if (arrow && x < tex.w * 2 + 8 && y < tex.h * 2 + 8)
                    f.blend(ox + x, oy + y, {0.45, 0.45, 0.45, 1.0}, Colour{});
                if (tx < tex.w && ty < tex.h && (arrow ? (x >= 4 && y >= 4) : true)) {
                    const int sx = arrow ? (x - 4) / 2 : tx, sy = arrow ? (y - 4) / 2 : ty;
                    if (sx < tex.w && sy < tex.h)
                        f.blend(ox + x, oy + y, tex.texel(sx, sy), Colour{});
                }
            }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: spheron-art-preview RESOURCES OUTPUT-PREFIX\n");
        return 2;
    }
    const std::string folder = argv[1], prefix = argv[2];
    std::vector<std::string> names = {"bg32x32.png"};
    for (const char* b : kBallNames)
        names.push_back(std::string(b) + "_bubble64x64-1.png");
    for (const char* d :
         {"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"})
        names.push_back(std::string(d) + "64x64-6.png");
    for (const char* s : {"cloud64x64.png", "says64x64.png", "spot64x64.png", "left-1.png",
                          "right-1.png", "up-1.png", "dn-1.png"})
        names.push_back(s);
    std::map<std::string, Texture> textures;
    for (const std::string& n : names)
        if (!loadTexture(folder + "/" + n, textures[n])) return 1;

    Frame scenes(960, 372), one(320, 372);
    scene(one, textures, -1, true);
    scenes.blit(one, 0, 0);
    scene(one, textures, 0, false);
    scenes.blit(one, 320, 0);
    scene(one, textures, 6, false);
    scenes.blit(one, 640, 0);

    Frame zoom(1280, 744), two(640, 744);
    scene(two, textures, -1, true);
    zoom.blit(two, 0, 0);
    scene(two, textures, 6, false);
    zoom.blit(two, 640, 0);

    Frame contact(7 * 136, 4 * 136);
    sheet(contact, names, textures);
    const bool ok = scenes.save(prefix + "-scenes.png") && zoom.save(prefix + "-zoom.png") &&
                    contact.save(prefix + "-sheet.png");
    return ok ? 0 : 1;
}
