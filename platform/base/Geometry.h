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
