// Drawing for the view layer's widgets while the window composes: gradients with smooth rounded
// corners, outlines, soft shadows, cards and glyphs, on the colours, textures, masks and images
// of platform/draw. GL ES 1.1; nothing game-specific.
#pragma once

#include "platform/draw/Color.h"
#include "platform/draw/GlyphMasks.h"
#include "platform/draw/Image.h"
#include "platform/draw/UITexture.h"
#include "platform/ui/View.h"

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

void uiDrawGlyph(Glyph glyph, const Rect& rect, Color color);
