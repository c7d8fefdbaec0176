// Small geometry helpers for the image generators: interpolation, signed distances of simple
// shapes (negative inside) and their coverage. Header-only, standard library only.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace art {

struct Vec2 {
    double x = 0.0, y = 0.0;
};

inline Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline Vec2 operator*(Vec2 a, double k) {
    return {a.x * k, a.y * k};
}
inline double dot(Vec2 a, Vec2 b) {
    return a.x * b.x + a.y * b.y;
}
inline double length(Vec2 a) {
    return std::sqrt(dot(a, a));
}

inline double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}
inline double mix(double a, double b, double t) {
    return a + (b - a) * t;
}

inline double smoothstep(double edge0, double edge1, double x) {
    const double t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

// Rotates p by angle radians (counter-clockwise in a y-up frame).
inline Vec2 rotate(Vec2 p, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}

// Distance to an ellipse with semi-axes (a, b): the implicit function divided by its gradient,
// close to exact near the outline, which is all that anti-aliasing and outline bands need.
inline double sdEllipse(Vec2 p, double a, double b) {
    const double k = std::sqrt((p.x * p.x) / (a * a) + (p.y * p.y) / (b * b));
    const double g = std::sqrt((p.x * p.x) / (a * a * a * a) + (p.y * p.y) / (b * b * b * b));
    if (g == 0.0) return -std::min(a, b);
    return k * (k - 1.0) / g;
}

// Exact signed distance to a simple polygon given by its corners in order.
inline double sdPolygon(Vec2 p, const std::vector<Vec2>& v) {
    double d = dot(p - v[0], p - v[0]);
    double s = 1.0;
    for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i) {
        const Vec2 e = v[j] - v[i];
        const Vec2 w = p - v[i];
        const Vec2 q = w - e * clamp01(dot(w, e) / dot(e, e));
        d = std::min(d, dot(q, q));
        const bool c1 = p.y >= v[i].y, c2 = p.y<v[j].y, c3 = e.x * w.y> e.y * w.x;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
}

// Union of two distance fields with a rounded seam k wide.
inline double smoothUnion(double d1, double d2, double k) {
    const double h = clamp01(0.5 + 0.5 * (d2 - d1) / k);
    return mix(d2, d1, h) - k * h * (1.0 - h);
}

// Inside test for a point sample: the supersampling in paint() turns it into coverage.
inline double inside(double d) {
    return d <= 0.0 ? 1.0 : 0.0;
}

} // namespace art
