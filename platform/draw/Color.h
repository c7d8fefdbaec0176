// Colours and gradients for the widgets' drawing, and the snapping of points to whole pixels.
// Standard library only.
#pragma once

// Straight (not premultiplied) colour; components 0...1.
struct Color {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;

    static Color colorWithRed(float red, float green, float blue, float alpha) {
        return {red, green, blue, alpha};
    }
    static Color blackColor() { return {0.0f, 0.0f, 0.0f, 1.0f}; }
    static Color whiteColor() { return {1.0f, 1.0f, 1.0f, 1.0f}; }
    static Color clearColor() { return {0.0f, 0.0f, 0.0f, 0.0f}; }
};

Color mixColor(Color from, Color to, float t); // t 0 gives `from`, 1 gives `to`
Color scaleColor(Color c, float k);            // rgb times k, clamped; alpha kept
Color withAlpha(Color c, float alpha);

// Colours from the top (0) to the bottom (1) of a shape; two stops at one place make a hard edge.
struct Gradient {
    static constexpr int kMaxStops = 6;
    int count = 0;
    float at[kMaxStops] = {};
    Color color[kMaxStops] = {};

    static Gradient solid(Color c);
    static Gradient vertical(Color top, Color bottom);
    Gradient& stop(float position, Color c); // ignored beyond kMaxStops; positions ascending
    // The colour at t; at a hard edge, the one above it (below = false) or below it.
    Color colorAt(float t, bool below) const;
};

// Rounds a coordinate in points to the nearest whole pixel, so edges and text stay crisp.
float uiSnap(float points, float scale);
