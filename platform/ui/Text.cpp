// Text: fontconfig finds the font files, SDL2_ttf renders lines at the pixel size asked for, and
// each line's texture is kept while the window goes on drawing the line (see dropTextsNotDrawnIn),
// until the cache fills up, or until the fonts change.
#include "platform/ui/Text.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <libintl.h>

#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "platform/base/LineBreaks.h"
#include "platform/base/Log.h"
#include "platform/base/Utf8.h"
#include "platform/gl/GLLayer.h"
#include "platform/ui/FontChoice.h"

namespace {

constexpr std::size_t kMaxCachedLines = 256;

struct Key {
    std::string text;
    int weight;
    int pixels;
};
struct KeyView {
    std::string_view text;
    int weight;
    int pixels;
};
struct KeyLess {
    using is_transparent = void;
    template <typename A, typename B> bool operator()(const A& a, const B& b) const {
        if (a.weight != b.weight) return a.weight < b.weight;
        if (a.pixels != b.pixels) return a.pixels < b.pixels;
        return std::string_view(a.text) < std::string_view(b.text);
    }
};

// A rendered line and the window composition under way (or last made) when it was last drawn.
struct Line {
    UITexture texture; // empty for a line that failed to render
    std::uint64_t drawnIn = 0;
};

struct OpenFont {
    std::string file;
    int pixels;
    bool embolden;
    TTF_Font* font;
};

struct TextState {
    std::string configFile;
    bool looked = false;
    const char* header = nullptr; // the catalogue header (language) the fonts were chosen for
    std::string language;
    FontChoice choice;
    std::string fontFile[2];           // regular, bold; empty when none
    bool embolden[2] = {false, false}; // a regular face drawn bold
    std::vector<OpenFont> fonts;
    // Per character and weight, a font that has a glyph the chosen one lacks; "" for none.
    std::map<std::pair<char32_t, int>, std::string> fallbackFile;
    std::map<Key, Line, KeyLess> lines;
    std::uint64_t rendered = 0; // lines rendered, for TextCacheUse
};

// What the layout checks read; untouched unless recording.
struct TextRecord {
    bool on = false;
    Point offset;
    Rect room;
    const void* owner = nullptr;
    std::vector<DrawnText> drawn;
};

TextRecord& textRecord() {
    static TextRecord record;
    return record;
}

TextState& textState() {
    static auto* s = new TextState; // fonts may be asked for during static destruction
    return *s;
}

int index(FontWeight weight) {
    return weight == FontWeight::Bold ? 1 : 0;
}

int fontPixelSize(float pointSize, float scale) {
    return std::max(1, static_cast<int>(std::lround(pointSize * (scale > 0.0f ? scale : 1.0f))));
}

void dropLines();
void dropFonts();

// Looks the fonts up on first use, and again when the texts' language changes.
void lookForFonts() {
    TextState& s = textState();
    const char* header = gettext("");
    if (s.looked && header == s.header) return;
    if (s.looked) dropFonts();
    s.looked = true;
    s.header = header;
    s.language = shownTextLanguage();
    if (s.choice.load(s.configFile))
        for (int w = 0; w < 2; ++w)
            s.fontFile[w] = s.choice.fileFor(s.language, w == 1, &s.embolden[w]);
    if (s.fontFile[1].empty()) s.fontFile[1] = s.fontFile[0];
    const char* why = nullptr;
    if (s.fontFile[0].empty())
        why = "fontconfig found none (install fonts-dejavu-core)";
    else if (!TTF_WasInit() && TTF_Init() != 0)
        why = SDL_GetError();
    if (why) {
        s.fontFile[0].clear();
        s.fontFile[1].clear();
        platformLog("no font for text (%s): %s; drawing no text", FontChoice::kFamily, why);
    }
}

// The font of this file at this size, opened on first use; nullptr (logged) when it cannot be.
TTF_Font* openFont(const std::string& file, int pixels, bool embolden) {
    TextState& s = textState();
    for (const OpenFont& f : s.fonts)
        if (f.pixels == pixels && f.embolden == embolden && f.file == file) return f.font;
    TTF_Font* opened = TTF_OpenFont(file.c_str(), pixels);
    if (!opened) {
        platformLog("cannot open the font %s: %s", file.c_str(), SDL_GetError());
        return nullptr;
    }
    if (embolden) TTF_SetFontStyle(opened, TTF_STYLE_BOLD);
    s.fonts.push_back({file, pixels, embolden, opened});
    return opened;
}

TTF_Font* font(FontWeight weight, int pixels) {
    lookForFonts();
    TextState& s = textState();
    const int w = index(weight);
    if (s.fontFile[w].empty()) return nullptr;
    TTF_Font* opened = openFont(s.fontFile[w], pixels, s.embolden[w]);
    if (!opened) {
        platformLog("drawing no text");
        s.fontFile[0].clear(); // one line, then no more tries
        s.fontFile[1].clear();
    }
    return opened;
}

// A piece of a line drawn in one font.
struct Run {
    TTF_Font* font;
    std::string text;
};

// The line cut where its font changes: the chosen font, and for characters it has no glyph for,
// one that has (looked up once per character; a character no font has is logged once and left
// to the chosen font's box). Most lines are one run.
std::vector<Run> runsOf(std::string_view line, FontWeight weight, int pixels, TTF_Font* main) {
    TextState& s = textState();
    std::vector<Run> runs;
    for (std::size_t at = 0; at < line.size();) {
        const std::size_t start = at;
        const std::size_t length = utf8CharLength(line, at);
        const char32_t c = length ? utf8CodePoint(line, at, length) : 0xFFFD; // not UTF-8
        at += length ? length : 1;
        TTF_Font* f = main;
        if (c >= 0x20 && !TTF_GlyphIsProvided32(main, c)) {
            const auto key = std::make_pair(c, index(weight));
            auto found = s.fallbackFile.find(key);
            if (found == s.fallbackFile.end()) {
                found = s.fallbackFile
                            .emplace(key, s.choice.fileWithCharacter(c, s.language,
                                                                     weight == FontWeight::Bold))
                            .first;
                if (found->second.empty())
                    platformLog("no font has the character U+%04X (in \"%.*s\"); it shows as a box",
                                static_cast<unsigned>(c), static_cast<int>(line.size()),
                                line.data());
            }
            if (!found->second.empty())
                if (TTF_Font* other = openFont(found->second, pixels, false)) f = other;
        }
        if (runs.empty() || runs.back().font != f) runs.push_back({f, {}});
        runs.back().text.append(line.substr(start, at - start));
    }
    return runs;
}

void dropFonts() {
    TextState& s = textState();
    dropLines();
    for (const OpenFont& f : s.fonts)
        TTF_CloseFont(f.font);
    s.fonts.clear();
    s.fontFile[0].clear();
    s.fontFile[1].clear();
    s.embolden[0] = s.embolden[1] = false;
    s.fallbackFile.clear();
    s.choice.unload();
}

void dropLines() {
    for (auto& line : textState().lines)
        uiReleaseTexture(line.second.texture);
    textState().lines.clear();
}

// The runs rendered side by side on a common baseline, as one surface; nullptr (logged) when
// rendering fails.
SDL_Surface* renderRuns(const std::vector<Run>& runs, const std::string& line) {
    if (runs.size() == 1)
        return TTF_RenderUTF8_Blended(runs[0].font, runs[0].text.c_str(),
                                      SDL_Color{255, 255, 255, 255});
    int ascent = 0, below = 0, width = 0;
    for (const Run& run : runs) {
        ascent = std::max(ascent, TTF_FontAscent(run.font));
        below = std::max(below, TTF_FontHeight(run.font) - TTF_FontAscent(run.font));
    }
    std::vector<SDL_Surface*> parts;
    bool ok = true;
    for (const Run& run : runs) {
        SDL_Surface* part =
            TTF_RenderUTF8_Blended(run.font, run.text.c_str(), SDL_Color{255, 255, 255, 255});
        ok = ok && part;
        parts.push_back(part);
        if (part) width += part->w;
    }
    SDL_Surface* whole =
        ok ? SDL_CreateRGBSurfaceWithFormat(0, width, ascent + below, 32, SDL_PIXELFORMAT_ARGB8888)
           : nullptr;
    if (whole) SDL_FillRect(whole, nullptr, 0);
    int x = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!parts[i]) continue;
        SDL_Rect to{x, ascent - TTF_FontAscent(runs[i].font), parts[i]->w, parts[i]->h};
        SDL_SetSurfaceBlendMode(parts[i], SDL_BLENDMODE_NONE);
        if (whole) SDL_BlitSurface(parts[i], nullptr, whole, &to);
        x += parts[i]->w;
        SDL_FreeSurface(parts[i]);
    }
    if (!whole && ok)
        platformLog("cannot render the text \"%s\": %s", line.c_str(), SDL_GetError());
    return whole;
}

// The line rendered white, as premultiplied RGBA rows.
bool renderLine(UITexture& out, TTF_Font* f, const std::string& line, FontWeight weight,
                int pixels) {
    SDL_Surface* rendered = renderRuns(runsOf(line, weight, pixels, f), line);
    if (!rendered) {
        platformLog("cannot render the text \"%s\": %s", line.c_str(), SDL_GetError());
        return false;
    }
    SDL_Surface* surface = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (!surface) {
        platformLog("cannot render the text \"%s\": %s", line.c_str(), SDL_GetError());
        return false;
    }
    std::vector<unsigned char> rgba(std::size_t(surface->w) * std::size_t(surface->h) * 4);
    SDL_LockSurface(surface);
    for (int y = 0; y < surface->h; ++y) {
        const auto* row =
            reinterpret_cast<const Uint32*>(static_cast<const unsigned char*>(surface->pixels) +
                                            std::size_t(y) * std::size_t(surface->pitch));
        for (int x = 0; x < surface->w; ++x) {
            const auto a = static_cast<unsigned char>(row[x] >> 24);
            unsigned char* p = rgba.data() + (std::size_t(y) * std::size_t(surface->w) + x) * 4;
            p[0] = p[1] = p[2] = p[3] = a;
        }
    }
    SDL_UnlockSurface(surface);
    const bool ok = uiMakeTexture(out, rgba.data(), surface->w, surface->h, true);
    SDL_FreeSurface(surface);
    return ok;
}

} // namespace

bool textFontAvailable() {
    lookForFonts();
    return !textState().fontFile[0].empty();
}

void setTextFontConfigFile(const std::string& path) {
    TextState& s = textState();
    dropFonts();
    s.configFile = path;
    s.looked = false;
}

Size textSize(std::string_view line, float pointSize, FontWeight weight, float scale) {
    const float k = scale > 0.0f ? scale : 1.0f;
    TTF_Font* f = font(weight, fontPixelSize(pointSize, scale));
    int w = 0;
    int h = 0;
    if (!f || line.empty()) return {0.0f, textLineHeight(pointSize, weight, scale)};
    for (const Run& run : runsOf(line, weight, fontPixelSize(pointSize, scale), f)) {
        int runW = 0, runH = 0;
        if (TTF_SizeUTF8(run.font, run.text.c_str(), &runW, &runH) != 0 || runH <= 0)
            return {0.0f, textLineHeight(pointSize, weight, scale)};
        w += runW;
        h = std::max(h, runH);
    }
    return {static_cast<float>(w) / k, static_cast<float>(h) / k}; // as tall as its texture
}

float textLineHeight(float pointSize, FontWeight weight, float scale) {
    const float k = scale > 0.0f ? scale : 1.0f;
    if (TTF_Font* f = font(weight, fontPixelSize(pointSize, scale)))
        return static_cast<float>(TTF_FontLineSkip(f)) / k;
    return std::ceil(pointSize * 1.17f); // DejaVu's line spacing
}

std::vector<std::string> textWrap(std::string_view text, float pointSize, FontWeight weight,
                                  float maxWidth, float scale) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view paragraph = text.substr(start, end - start);
        std::string current;
        for (const TextPiece& piece : textPieces(paragraph)) {
            const std::string_view next = piece.text;
            std::string candidate = current;
            if (!current.empty() && piece.afterSpace) candidate += ' ';
            candidate += next;
            if (textSize(candidate, pointSize, weight, scale).width <= maxWidth) {
                current = std::move(candidate);
                continue;
            }
            if (!current.empty()) lines.push_back(std::exchange(current, {}));
            // A word wider than the line: as many characters as fit on each line.
            std::string_view rest = next;
            while (textSize(rest, pointSize, weight, scale).width > maxWidth) {
                std::size_t cut = 0;
                for (std::size_t i = 1; i <= rest.size(); ++i) {
                    if (i < rest.size() && (static_cast<unsigned char>(rest[i]) & 0xC0) == 0x80)
                        continue; // inside a character
                    if (cut > 0 &&
                        textSize(rest.substr(0, i), pointSize, weight, scale).width > maxWidth)
                        break;
                    cut = i;
                }
                lines.emplace_back(rest.substr(0, cut));
                rest.remove_prefix(cut);
            }
            current = std::string(rest);
        }
        lines.push_back(std::move(current));
        if (end == text.size()) break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

float fittingPointSize(std::string_view line, float pointSize, FontWeight weight, float maxWidth,
                       float scale, float smallest) {
    float size = pointSize;
    while (size - 0.5f >= smallest && textSize(line, size, weight, scale).width > maxWidth)
        size -= 0.5f;
    return size;
}

const UITexture* textTexture(std::string_view line, float pointSize, FontWeight weight,
                             float scale) {
    if (line.empty()) return nullptr;
    const int pixels = fontPixelSize(pointSize, scale);
    TTF_Font* f = font(weight, pixels);
    if (!f) return nullptr;
    TextState& s = textState();
    const std::uint64_t composition = windowLastComposition().count;
    auto found = s.lines.find(KeyView{line, index(weight), pixels});
    if (found != s.lines.end()) {
        found->second.drawnIn = composition;
        if (found->second.texture.live()) return &found->second.texture;
        if (found->second.texture.name == 0) return nullptr; // failed before; logged then
    }
    if (s.lines.size() >= kMaxCachedLines) {
        // Rare: hundreds of lines since the window last drew all its views. Those not drawn in
        // this composition go first; all of them when this composition alone drew so many.
        dropTextsNotDrawnIn(composition);
        if (s.lines.size() >= kMaxCachedLines) dropLines();
    }
    Key key{std::string(line), index(weight), pixels};
    UITexture texture;
    const bool ok = renderLine(texture, f, key.text, weight, pixels);
    ++s.rendered;
    Line& slot = s.lines[std::move(key)];
    slot = {texture, composition};
    return ok ? &slot.texture : nullptr;
}

namespace {

// The line's texture drawn with its `anchor` at `origin`; the box it took, in the view's points.
std::optional<Rect> drawLine(std::string_view line, Point origin, float pointSize,
                             FontWeight weight, Color color, float scale, TextAnchor anchor) {
    const UITexture* texture = textTexture(line, pointSize, weight, scale);
    if (!texture) return std::nullopt;
    const float k = scale > 0.0f ? scale : 1.0f;
    const Size size{static_cast<float>(texture->width) / k,
                    static_cast<float>(texture->height) / k};
    if (anchor != TextAnchor::TopLeft) origin.x -= size.width * 0.5f;
    if (anchor == TextAnchor::Centre) origin.y -= size.height * 0.5f;
    const Rect box{{uiSnap(origin.x, k), uiSnap(origin.y, k)}, size};
    uiDrawTexture(*texture, box, color);
    return box;
}

} // namespace

void drawText(std::string_view line, Point origin, float pointSize, FontWeight weight, Color color,
              float scale, TextAnchor anchor) {
    const std::optional<Rect> box = drawLine(line, origin, pointSize, weight, color, scale, anchor);
    TextRecord& r = textRecord();
    if (!box || !r.on) return;
    const Rect inWindow{{box->origin.x + r.offset.x, box->origin.y + r.offset.y}, box->size};
    r.drawn.push_back({std::string(line), inWindow, r.room, r.owner});
}

void drawTextShadow(std::string_view line, Point origin, float pointSize, FontWeight weight,
                    Color color, float scale, TextAnchor anchor) {
    drawLine(line, origin, pointSize, weight, color, scale, anchor);
}

void dropTextsNotDrawnIn(std::uint64_t composition) {
    // Lines that failed to render stay: they hold no texture, and their failure stays logged once.
    auto& lines = textState().lines;
    for (auto it = lines.begin(); it != lines.end();) {
        const bool drop = it->second.drawnIn < composition && it->second.texture.name != 0;
        if (drop) uiReleaseTexture(it->second.texture);
        it = drop ? lines.erase(it) : std::next(it);
    }
}

TextCacheUse textCacheUse() {
    TextCacheUse use;
    use.rendered = textState().rendered;
    for (const auto& line : textState().lines) {
        const UITexture& t = line.second.texture;
        if (t.name == 0) continue;
        ++use.lines;
        // The picture and its mipmaps down to one pixel, four bytes a pixel.
        std::size_t w = std::size_t(std::max(1, t.textureWidth));
        std::size_t h = std::size_t(std::max(1, t.textureHeight));
        for (;;) {
            use.bytes += w * h * 4;
            if (w == 1 && h == 1) break;
            w = std::max<std::size_t>(1, w / 2);
            h = std::max<std::size_t>(1, h / 2);
        }
    }
    return use;
}

void setTextRecording(bool on) {
    textRecord().on = on;
    textRecord().drawn.clear();
}

std::vector<DrawnText> takeDrawnTexts() {
    return std::exchange(textRecord().drawn, {});
}

void setTextDrawingPlace(Point offset, const Rect& room, const void* owner) {
    TextRecord& r = textRecord();
    r.offset = offset;
    r.room = room;
    r.owner = owner;
}

TextRoom::TextRoom(const Rect& room) : saved_(textRecord().room) {
    TextRecord& r = textRecord();
    r.room = {{room.origin.x + r.offset.x, room.origin.y + r.offset.y}, room.size};
}

TextRoom::~TextRoom() {
    textRecord().room = saved_;
}
