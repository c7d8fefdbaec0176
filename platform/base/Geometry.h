// Points, sizes and rectangles in points (origin top-left, y downward): the geometry that the
// window, its views and the GL layers share. Standard library only.
#pragma once

struct Point {
    float x = 0.0f;
    float y = 0.0f;
};

struct Size {
    float width = 0.0f;
    float height = 0.0f;
};

struct Rect {
    Point origin;
    Size size;
};

// Whether two rectangles share any area (touching edges do not).
inline bool rectsOverlap(const Rect& a, const Rect& b) {
    return a.origin.x < b.origin.x + b.size.width && b.origin.x < a.origin.x + a.size.width &&
           a.origin.y < b.origin.y + b.size.height && b.origin.y < a.origin.y + a.size.height;
}

// The smallest rectangle holding both.
inline Rect rectUnion(const Rect& a, const Rect& b) {
    const float x0 = a.origin.x < b.origin.x ? a.origin.x : b.origin.x;
    const float y0 = a.origin.y < b.origin.y ? a.origin.y : b.origin.y;
    const float ax1 = a.origin.x + a.size.width, bx1 = b.origin.x + b.size.width;
    const float ay1 = a.origin.y + a.size.height, by1 = b.origin.y + b.size.height;
    return {{x0, y0}, {(ax1 > bx1 ? ax1 : bx1) - x0, (ay1 > by1 ? ay1 : by1) - y0}};
}
