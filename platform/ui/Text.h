// Text for the view layer: the system's "DejaVu Sans" (regular and bold) found through fontconfig,
// lines rendered with SDL2_ttf into textures cached per string. Without a font nothing is drawn and
// one line is logged. SDL, SDL_ttf and fontconfig stay in the .cpp; nothing game-specific.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/UIDrawing.h"
#include "platform/ui/View.h"

enum class FontWeight { Regular, Bold };

// True when text can be drawn: looks for the fonts on first use (logging once when there are none).
bool textFontAvailable();

// Makes fontconfig read this configuration file instead of the system's ("" restores that), drops
// the fonts, the cached textures and the note that none was found; the next use looks again.
void setTextFontConfigFile(const std::string& path);

// Sizes in points of text rendered at pointSize x scale pixels. Without a font the width is 0 and
// the height still follows the size, so layouts keep their shape.
Size textSize(std::string_view line, float pointSize, FontWeight weight, float scale);
float textLineHeight(float pointSize, FontWeight weight, float scale);

// Lines no wider than maxWidth points: breaks at "\r\n", "\n" and "\r", then between words and
// between the characters of Chinese and Japanese (textPieces); a word longer than a line is broken
// between its characters.
std::vector<std::string> textWrap(std::string_view text, float pointSize, FontWeight weight,
                                  float maxWidth, float scale);

// The largest size, from pointSize down in half points to `smallest`, at which the line is no
// wider than maxWidth points: a title or a label that a language makes longer shrinks, never cut.
float fittingPointSize(std::string_view line, float pointSize, FontWeight weight, float maxWidth,
                       float scale, float smallest = 8.0f);

// One line as a premultiplied white texture (tint it when drawing), made on first use and kept per
// string, weight and pixel size while the window goes on drawing it (see dropTextsNotDrawnIn):
// draw with it now, never keep it. Needs a context of the screen current, as while composing.
// nullptr without a font, for an empty line, or when rendering fails (logged once per line).
const UITexture* textTexture(std::string_view line, float pointSize, FontWeight weight,
                             float scale);

// Drops the textures of the lines not drawn in the window's composition number `composition`
// (see windowLastComposition) nor since: the window calls it once all its views have drawn in
// that composition, so that it holds only the textures of the texts it shows. A line drawn in
// every composition keeps its texture.
void dropTextsNotDrawnIn(std::uint64_t composition);

// The lines whose textures are kept, those textures' bytes with their mipmaps, and how many lines
// have been rendered since the program started: what tests and benchmarks read.
struct TextCacheUse {
    std::size_t lines = 0;
    std::size_t bytes = 0;
    std::uint64_t rendered = 0;
};
TextCacheUse textCacheUse();

// Which point of the line `origin` names when drawing.
enum class TextAnchor { TopLeft, TopCentre, Centre };

// Draws one line at `origin`, snapped to whole pixels so glyphs stay crisp. Allocates nothing once
// the line's texture exists.
void drawText(std::string_view line, Point origin, float pointSize, FontWeight weight, Color color,
              float scale, TextAnchor anchor = TextAnchor::TopLeft);
// The same for the shadow or etch of a line drawn next to it: not a text of its own, so not
// noted below.
void drawTextShadow(std::string_view line, Point origin, float pointSize, FontWeight weight,
                    Color color, float scale, TextAnchor anchor = TextAnchor::TopLeft);

// ---- Where texts land: a record for layout checks (off unless asked for) ----

// A drawn line: its box, and the box it has to stay inside, both in window points; `owner` is
// the outermost view that drew it (texts of different owners may overlap: a panel over the game).
struct DrawnText {
    std::string text;
    Rect box;
    Rect room;
    const void* owner = nullptr;
};
// Starts or stops noting drawn lines; stopping drops what was noted.
void setTextRecording(bool on);
// The lines noted since the last call.
std::vector<DrawnText> takeDrawnTexts();
// Set by the window before each view draws: where the view's bounds origin lies in the window,
// its frame there (the room of its texts) and the outermost view it belongs to.
void setTextDrawingPlace(Point offset, const Rect& room, const void* owner);
// While it lives, the room of texts drawn is `room` (in the drawing view's bounds) instead: a
// card's inside, a list's lines clear of its scroll bar.
class TextRoom {
public:
    explicit TextRoom(const Rect& room);
    ~TextRoom();
    TextRoom(const TextRoom&) = delete;
    TextRoom& operator=(const TextRoom&) = delete;

private:
    Rect saved_;
};
