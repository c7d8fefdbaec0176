// Text: fontconfig finds the font files, SDL2_ttf renders lines at the pixel size asked for, and
// each line's texture is kept until the cache fills up or the fonts change.
#include "platform/ui/Text.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "platform/base/LineBreaks.h"
#include "platform/base/Log.h"

namespace {

constexpr const char* kFontFamily = "DejaVu Sans";
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

struct OpenFont {
    int weight;
    int pixels;
    TTF_Font* font;
};

struct TextState {
    std::string configFile;
    bool looked = false;
    std::string fontFile[2]; // regular, bold; empty when none
    std::vector<OpenFont> fonts;
    std::map<Key, UITexture, KeyLess> lines; // a line that failed to render keeps an empty texture
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

// The file fontconfig picks for the family at this weight, or "".
std::string matchFont(FcConfig* config, int fcWeight) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kFontFamily));
    FcPatternAddInteger(pattern, FC_WEIGHT, fcWeight);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    std::string file;
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
        file = reinterpret_cast<const char*>(path);
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return file;
}

void lookForFonts() {
    TextState& s = textState();
    if (s.looked) return;
    s.looked = true;
    FcConfig* config = nullptr;
    if (s.configFile.empty()) {
        config = FcInitLoadConfigAndFonts();
    } else if ((config = FcConfigCreate())) {
        if (!FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(s.configFile.c_str()),
                                  FcFalse) ||
            !FcConfigBuildFonts(config)) {
            FcConfigDestroy(config);
            config = nullptr;
        }
    }
    if (config) {
        s.fontFile[0] = matchFont(config, FC_WEIGHT_REGULAR);
        s.fontFile[1] = matchFont(config, FC_WEIGHT_BOLD);
        FcConfigDestroy(config);
    }
    if (s.fontFile[1].empty()) s.fontFile[1] = s.fontFile[0];
    const char* why = nullptr;
    if (s.fontFile[0].empty())
        why = "fontconfig found none (install fonts-dejavu-core)";
    else if (!TTF_WasInit() && TTF_Init() != 0)
        why = SDL_GetError();
    if (why) {
        s.fontFile[0].clear();
        s.fontFile[1].clear();
        platformLog("no font for text (%s): %s; drawing no text", kFontFamily, why);
    }
}

TTF_Font* font(FontWeight weight, int pixels) {
    lookForFonts();
    TextState& s = textState();
    const int w = index(weight);
    if (s.fontFile[w].empty()) return nullptr;
    for (const OpenFont& f : s.fonts)
        if (f.weight == w && f.pixels == pixels) return f.font;
    TTF_Font* opened = TTF_OpenFont(s.fontFile[w].c_str(), pixels);
    if (!opened) {
        platformLog("cannot open the font %s: %s; drawing no text", s.fontFile[w].c_str(),
                    SDL_GetError());
        s.fontFile[0].clear(); // one line, then no more tries
        s.fontFile[1].clear();
        return nullptr;
    }
    s.fonts.push_back({w, pixels, opened});
    return opened;
}

void dropLines() {
    for (auto& line : textState().lines)
        uiReleaseTexture(line.second);
    textState().lines.clear();
}

// The line rendered white, as premultiplied RGBA rows.
bool renderLine(UITexture& out, TTF_Font* f, const std::string& line) {
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(f, line.c_str(), SDL_Color{255, 255, 255, 255});
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
    dropLines();
    for (const OpenFont& f : s.fonts)
        TTF_CloseFont(f.font);
    s.fonts.clear();
    s.fontFile[0].clear();
    s.fontFile[1].clear();
    s.configFile = path;
    s.looked = false;
}

Size textSize(std::string_view line, float pointSize, FontWeight weight, float scale) {
    const float k = scale > 0.0f ? scale : 1.0f;
    TTF_Font* f = font(weight, fontPixelSize(pointSize, scale));
    int w = 0;
    int h = 0;
    if (!f || line.empty() || TTF_SizeUTF8(f, std::string(line).c_str(), &w, &h) != 0 || h <= 0)
        return {0.0f, textLineHeight(pointSize, weight, scale)};
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
        for (const TextPiece& next : textPieces(paragraph)) {
            std::string candidate = current;
            if (!current.empty() && next.afterSpace) candidate += ' ';
            candidate += next.text;
            if (!current.empty() &&
                textSize(candidate, pointSize, weight, scale).width > maxWidth) {
                lines.push_back(std::move(current));
                current = std::string(next.text);
            } else {
                current = std::move(candidate);
            }
        }
        lines.push_back(std::move(current));
        if (end == text.size()) break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

const UITexture* textTexture(std::string_view line, float pointSize, FontWeight weight,
                             float scale) {
    if (line.empty()) return nullptr;
    const int pixels = fontPixelSize(pointSize, scale);
    TTF_Font* f = font(weight, pixels);
    if (!f) return nullptr;
    TextState& s = textState();
    auto found = s.lines.find(KeyView{line, index(weight), pixels});
    if (found != s.lines.end()) {
        if (found->second.live()) return &found->second;
        if (found->second.name == 0) return nullptr; // failed before; logged then
    }
    if (s.lines.size() >= kMaxCachedLines) dropLines(); // rare: only the few strings of the UI
    Key key{std::string(line), index(weight), pixels};
    UITexture texture;
    const bool ok = renderLine(texture, f, key.text);
    auto& slot = s.lines[std::move(key)];
    slot = texture;
    return ok ? &slot : nullptr;
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
