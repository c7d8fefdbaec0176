#include "platform/draw/Color.h"

#include <algorithm>
#include <cmath>

Color mixColor(Color from, Color to, float t) {
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

Color scaleColor(Color c, float k) {
    return {std::clamp(c.r * k, 0.0f, 1.0f), std::clamp(c.g * k, 0.0f, 1.0f),
            std::clamp(c.b * k, 0.0f, 1.0f), c.a};
}

Color withAlpha(Color c, float alpha) {
    c.a = alpha;
    return c;
}

Gradient Gradient::solid(Color c) {
    return Gradient{}.stop(0.0f, c);
}

Gradient Gradient::vertical(Color top, Color bottom) {
    return Gradient{}.stop(0.0f, top).stop(1.0f, bottom);
}

Gradient& Gradient::stop(float position, Color c) {
    if (count < kMaxStops) {
        at[count] = position;
        color[count] = c;
        ++count;
    }
    return *this;
}

Color Gradient::colorAt(float t, bool below) const {
    if (count == 0) return Color::clearColor();
    if (t < at[0] || (t == at[0] && !below)) return color[0];
    for (int i = 0; i + 1 < count; ++i) {
        const bool inSegment =
            below ? (t >= at[i] && t < at[i + 1]) : (t > at[i] && t <= at[i + 1]);
        if (!inSegment) continue;
        const float span = at[i + 1] - at[i];
        return span > 0.0f ? mixColor(color[i], color[i + 1], (t - at[i]) / span) : color[i + 1];
    }
    return color[count - 1];
}

float uiSnap(float points, float scale) {
    return scale > 0.0f ? std::round(points * scale) / scale : points;
}
