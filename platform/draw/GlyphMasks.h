// Masks painted once on the CPU as white coverage on a 64 x 64 square, premultiplied, and kept
// for the open screen: the disk of rounded corners, the soft edge of shadows, rings of outlines
// and the procedural glyphs of the bars' buttons. nullptr when GL refuses one; after that no
// more are tried on this screen.
#pragma once

#include "platform/draw/UITexture.h"

enum class Glyph { Refresh, Info, Pause, Gear, Play, Menu };

const UITexture* diskMask();
const UITexture* softMask();
// A ring whose line is `ratio` of its radius wide.
const UITexture* ringMask(float ratio);
const UITexture* glyphMask(Glyph glyph);
