// Textures the view layer makes, with their mipmaps made on the CPU; they belong to the screen
// that was open then. GL ES 1.1 (SDL only in the .cpp, for the screen's identity).
#pragma once

#include <cstdint>

#include "platform/base/Geometry.h"
#include "platform/draw/Color.h"

// The open screen's identity; 0 when none is open.
std::uint32_t uiCurrentScreen();

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
