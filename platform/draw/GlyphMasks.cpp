#include "platform/draw/GlyphMasks.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMask = 64;
constexpr float kMaskRadius = 32.0f;

struct Masks {
    std::uint32_t screen = 0;
    UITexture disk;
    UITexture soft;
    UITexture refresh;
    UITexture info;
    UITexture pause;
    UITexture gear;
    UITexture play;
    UITexture menu;
    struct Ring {
        int key = -1; // line width / radius in 64ths
        UITexture texture;
    };
    Ring rings[8];
    int nextRing = 0;
    bool failed = false; // GL refused one: no more tries (and log lines) on this screen
};

Masks& masks() {
    static Masks m;
    const std::uint32_t screen = uiCurrentScreen();
    if (m.screen != screen) { // the old screen took its textures with it
        m = Masks{};
        m.screen = screen;
    }
    return m;
}

template <typename Coverage> bool makeMask(UITexture& out, Coverage coverage) {
    if (masks().failed) return false;
    static unsigned char pixels[kMask * kMask * 4];
    for (int y = 0; y < kMask; ++y)
        for (int x = 0; x < kMask; ++x) {
            const float c = std::clamp(coverage(float(x) + 0.5f, float(y) + 0.5f), 0.0f, 1.0f);
            const auto v = static_cast<unsigned char>(std::lround(c * 255.0f));
            unsigned char* p = pixels + (y * kMask + x) * 4;
            p[0] = p[1] = p[2] = p[3] = v;
        }
    if (uiMakeTexture(out, pixels, kMask, kMask, true)) return true;
    masks().failed = true;
    return false;
}

// Area of a disk of radius r (centred on the mask) over the pixel at distance d, to a pixel.
float diskCoverage(float d, float r) {
    return std::clamp(r + 0.5f - d, 0.0f, 1.0f);
}

float distanceFromCentre(float x, float y) {
    return std::hypot(x - kMaskRadius, y - kMaskRadius);
}

// Four by four samples of a shape given as an inside test.
template <typename Inside> float supersample(float x, float y, Inside inside) {
    int hits = 0;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            hits +=
                inside(x - 0.5f + (float(i) + 0.5f) / 4.0f, y - 0.5f + (float(j) + 0.5f) / 4.0f);
    return float(hits) / 16.0f;
}

bool inTriangle(float px, float py, const float (&t)[6]) {
    const auto side = [&](int a, int b) {
        return (t[2 * b] - t[2 * a]) * (py - t[2 * a + 1]) -
               (t[2 * b + 1] - t[2 * a + 1]) * (px - t[2 * a]);
    };
    const float s0 = side(0, 1);
    const float s1 = side(1, 2);
    const float s2 = side(2, 0);
    return (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
}

bool inCapsule(float px, float py, float x, float ya, float yb, float r) {
    const float cy = std::clamp(py, ya, yb);
    return std::hypot(px - x, py - cy) <= r;
}

// A circular arrow turning clockwise, its head at the top pointing right.
bool insideRefresh(float x, float y) {
    constexpr float cx = 32.0f;
    constexpr float cy = 35.0f;
    const float d = std::hypot(x - cx, y - cy);
    const float angle = std::atan2(y - cy, x - cx) * 57.29578f; // clockwise, y downward
    const bool onArc = std::fabs(d - 18.5f) <= 3.8f && !(angle > -90.0f && angle < -38.0f);
    static const float head[6] = {30.5f, 5.0f, 30.5f, 28.0f, 44.5f, 16.5f};
    return onArc || inTriangle(x, y, head);
}

// A ring with a lower-case i.
bool insideInfo(float x, float y) {
    const float d = std::hypot(x - 32.0f, y - 32.0f);
    const bool ring = d <= 30.0f && d >= 25.0f;
    const bool dot = std::hypot(x - 32.0f, y - 18.5f) <= 4.3f;
    const bool stem = inCapsule(x, y, 32.0f, 28.5f, 44.0f, 3.6f);
    return ring || dot || stem;
}

// Two upright bars, as media players show pause.
bool insidePause(float x, float y) {
    return inCapsule(x, y, 23.0f, 17.0f, 47.0f, 5.5f) || inCapsule(x, y, 41.0f, 17.0f, 47.0f, 5.5f);
}

// A triangle pointing right, as media players show play; as wide as the pause's two bars.
bool insidePlay(float x, float y) {
    static const float shape[6] = {19.0f, 12.0f, 19.0f, 52.0f, 48.0f, 32.0f};
    return inTriangle(x, y, shape);
}

// Three level bars, as a window's menu button shows.
bool insideMenu(float x, float y) {
    for (const float level : {18.0f, 32.0f, 46.0f})
        if (inCapsule(y, x, level, 12.0f, 52.0f, 3.6f)) return true; // a capsule on its side
    return false;
}

// A cog wheel of eight teeth round a hole, as settings are drawn.
bool insideGear(float x, float y) {
    const float d = std::hypot(x - 32.0f, y - 32.0f);
    if (d < 8.5f || d > 29.0f) return false;
    if (d <= 21.0f) return true;
    // Outside the wheel, the teeth: four bars 9 units wide through the centre, 45 degrees apart.
    for (int k = 0; k < 4; ++k) {
        const float angle = static_cast<float>(k) * 0.7853982f;
        if (std::fabs((y - 32.0f) * std::cos(angle) - (x - 32.0f) * std::sin(angle)) <= 4.5f)
            return true;
    }
    return false;
}

} // namespace

const UITexture* diskMask() {
    Masks& m = masks();
    if (!m.disk.live() && !makeMask(m.disk, [](float x, float y) {
            return diskCoverage(distanceFromCentre(x, y), kMaskRadius);
        }))
        return nullptr;
    return &m.disk;
}

const UITexture* softMask() {
    Masks& m = masks();
    if (!m.soft.live() && !makeMask(m.soft, [](float x, float y) {
            const float t = std::clamp(distanceFromCentre(x, y) / kMaskRadius, 0.0f, 1.0f);
            const float u = 1.0f - t;
            return u * u * (3.0f - 2.0f * u);
        }))
        return nullptr;
    return &m.soft;
}

const UITexture* ringMask(float ratio) {
    Masks& m = masks();
    const int key = std::clamp(static_cast<int>(std::lround(ratio * 64.0f)), 1, 63);
    for (auto& ring : m.rings)
        if (ring.key == key && ring.texture.live()) return &ring.texture;
    Masks::Ring& slot = m.rings[m.nextRing];
    m.nextRing = (m.nextRing + 1) % 8;
    const float inner = kMaskRadius * (1.0f - static_cast<float>(key) / 64.0f);
    slot.key = key;
    if (!makeMask(slot.texture, [inner](float x, float y) {
            const float d = distanceFromCentre(x, y);
            return diskCoverage(d, kMaskRadius) - diskCoverage(d, inner);
        })) {
        slot.key = -1;
        return nullptr;
    }
    return &slot.texture;
}

const UITexture* glyphMask(Glyph glyph) {
    Masks& m = masks();
    bool (*inside)(float, float) = insidePause;
    UITexture* t = &m.pause;
    if (glyph == Glyph::Refresh) {
        inside = insideRefresh;
        t = &m.refresh;
    } else if (glyph == Glyph::Info) {
        inside = insideInfo;
        t = &m.info;
    } else if (glyph == Glyph::Gear) {
        inside = insideGear;
        t = &m.gear;
    } else if (glyph == Glyph::Play) {
        inside = insidePlay;
        t = &m.play;
    } else if (glyph == Glyph::Menu) {
        inside = insideMenu;
        t = &m.menu;
    }
    if (t->live()) return t;
    const bool ok = makeMask(*t, [inside](float x, float y) { return supersample(x, y, inside); });
    return ok ? t : nullptr;
}
