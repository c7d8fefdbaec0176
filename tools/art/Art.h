// The painters of the game's images: each returns a finished picture at its final size, `scale`
// times the named size (1, or 2 and 3 for the @2x and @3x images, drawn at that resolution).
// Only the digits need a font file; nothing here writes files.
#pragma once

#include "Canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace art {

// The seven bubble colours, in the order of the board's colour indices.
enum class BubbleColour { Red, Blue, Green, Yellow, Purple, Orange, White };

// 64 × 64; with `symbol`, the colour's symbol drawn on it (a second cue beside the colour).
Canvas paintBubble(BubbleColour colour, int scale = 1, bool symbol = false);
Canvas paintCloud(int scale = 1);          // 64 × 64
Canvas paintSays(int scale = 1);           // 64 × 64
Canvas paintSpot(int scale = 1);           // 64 × 64
Canvas paintBackgroundTile(int scale = 1); // 32 × 32

// The signed distance (negative inside) to the colour's symbol, in units of the bubble's radius
// from its centre, y up: heart, crescent, plus, star, diamond, triangle and square, in the colours'
// order, so that no two colours share an outline.
double symbolDistance(BubbleColour colour, double x, double y);

// The application icon, size × size: three bubbles of the game, one behind the two in front.
Canvas paintIcon(int size);
// The same icon as a scalable SVG document, drawn with gradients instead of per-pixel shading.
std::string iconSvg();
// The sizes of the icon that the desktop gets as PNG files.
inline constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

enum class Arrow { Left, Right, Up, Down };
Canvas paintArrow(Arrow direction, int scale = 1); // 32 × 32

// The digits 0 to 9 in index order, 64 × 64 each, rendered from the TrueType font at fontPath.
// Returns false, with a one-line reason in error, when the font cannot be loaded or a glyph is
// missing.
bool paintDigits(const std::string& fontPath, std::vector<Canvas>& digits, std::string& error,
                 int scale = 1);

// Colour vision without one kind of cone, full severity (Machado, Oliveira and Fernandes 2009),
// applied in linear RGB to straight 8-bit RGBA pixels in place; alpha is kept.
enum class Deficiency { Protanopia, Deuteranopia, Tritanopia };
void simulateDeficiency(Deficiency kind, std::vector<std::uint8_t>& rgba);

} // namespace art
