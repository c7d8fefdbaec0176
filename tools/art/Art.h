// The painters of the game's images: each returns a finished picture at its final size.
// Only the digits need a font file; nothing here writes files.
#pragma once

#include "Canvas.h"

#include <string>
#include <vector>

namespace art {

// The seven bubble colours, in the order of the board's colour indices.
enum class BubbleColour { Red, Blue, Green, Yellow, Purple, Orange, White };

Canvas paintBubble(BubbleColour colour); // 64 × 64
Canvas paintCloud();                     // 64 × 64
Canvas paintSays();                      // 64 × 64
Canvas paintSpot();                      // 64 × 64
Canvas paintBackgroundTile();            // 32 × 32

// The application icon, size × size: three bubbles of the game, one behind the two in front.
Canvas paintIcon(int size);
// The same icon as a scalable SVG document, drawn with gradients instead of per-pixel shading.
std::string iconSvg();
// The sizes of the icon that the desktop gets as PNG files.
inline constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

enum class Arrow { Left, Right, Up, Down };
Canvas paintArrow(Arrow direction); // 32 × 32

// The digits 0 to 9 in index order, 64 × 64 each, rendered from the TrueType font at fontPath.
// Returns false, with a one-line reason in error, when the font cannot be loaded or a glyph is
// missing.
bool paintDigits(const std::string& fontPath, std::vector<Canvas>& digits, std::string& error);

} // namespace art
