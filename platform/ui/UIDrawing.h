// Drawing for the view layer's widgets while the window composes: colours, gradients with smooth
// rounded corners, outlines, soft shadows, glyphs, images and textures tied to the screen.
// GL ES 1.1 (SDL only in the .cpp, for the screen's identity); nothing game-specific.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/media/ImageDecoder.h"
#include "platform/ui/View.h"

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

// ---- Shapes, in the current modelview's points (y downward), with the GL state uiBegin() set ----

// Sets what every helper below relies on (premultiplied blending); uiEnd() gives back the blend
// function. The window calls them around its views' drawing.
void uiBegin();
void uiEnd();

void uiFillRect(const Rect& rect, const Gradient& fill);
void uiFillRoundedRect(const Rect& rect, float radius, const Gradient& fill);
void uiStrokeRoundedRect(const Rect& rect, float radius, float lineWidth, Color color);
// For shadows: the full colour from `blur` points inside the edge, fading to nothing at the edge.
void uiFillSoftRect(const Rect& rect, float blur, Color color);

// A raised card, as alerts and panels are: a soft shadow below it, the rounded fill, a gloss
// over its top `glossHeight` points fading from `glossAlpha` white, and a light rim.
struct CardLook {
    float radius;
    Gradient fill;
    float shadowAlpha;
    float glossHeight;
    float glossAlpha;
};
void uiDrawCard(const Rect& rect, const CardLook& look);

enum class Glyph { Refresh, Info, Pause, Gear };
void uiDrawGlyph(Glyph glyph, const Rect& rect, Color color);

// Rounds a coordinate in points to the nearest whole pixel, so edges and text stay crisp.
float uiSnap(float points, float scale);

// ---- Textures the view layer makes; they belong to the screen that was open then ----

struct UITexture {
    unsigned name = 0;
    std::uint32_t screen = 0; // the screen's identity when made
    int width = 0;            // picture in pixels
    int height = 0;
    int textureWidth = 0; // powers of two; the picture sits in the top-left corner
    int textureHeight = 0;

    // Made on the screen that is open now (a re-opened screen has lost the old one's textures).
    bool live() const;
};

// Premultiplied RGBA rows, top row first. Needs a context of the open screen current (as while
// composing). False, with one log line, when GL refuses; `out` is released first.
bool uiMakeTexture(UITexture& out, const unsigned char* rgba, int width, int height, bool mipmaps);
// Deletes the texture when it is live (borrowing the screen's context if none of its contexts is
// current) and clears the record.
void uiReleaseTexture(UITexture& texture);
// The picture stretched over `rect`, tinted (white leaves it as it is; alpha fades it).
void uiDrawTexture(const UITexture& texture, const Rect& rect, Color tint);

// The stand-in for a named image of the application: decoded at once, made a texture when first
// drawn. The image of the name is one pixel a point; its "@2x" and "@3x" variants, where there
// are any, are taken for finer window scales (scaledResourcePath), each when first drawn at one.
class Image {
public:
    // nullptr, with one log line, when there is no such resource or it cannot be decoded.
    static std::shared_ptr<Image> imageNamed(const std::string& name);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    Size pointSize() const; // the picture's size in points
    void draw(const Rect& rect, float alpha) const;

private:
    Image(std::string name, DecodedImage pixels, int pixelScale)
        : name_(std::move(name)), pixels_(std::move(pixels)), pixelScale_(pixelScale) {}
    std::string name_;
    mutable DecodedImage pixels_;
    mutable int pixelScale_; // image pixels a point
    mutable float chosenFor_ = 0.0f; // the window scale the variant was last chosen for
    mutable UITexture texture_;
    mutable std::uint32_t failedOn_ = 0; // the screen on which GL refused the texture
};
