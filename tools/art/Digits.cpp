// The score digits: DejaVu Sans Bold rendered with FreeType, a light face (the drawing tints it
// with the current colour) inside a dark outline that reads on light and tinted backgrounds.
#include "Art.h"
#include "Shape.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_STROKER_H

#include <algorithm>
#include <cmath>

namespace art {

namespace {

// Sizes of the 64-pixel image; the @2x and @3x images multiply each by their scale.
constexpr int kSize = 64;
constexpr FT_UInt kEmPixels = 54;     // digits about 39 pixels tall
constexpr FT_Fixed kOutline = 4 * 64; // 4 pixels in 26.6: survives drawing at a third of the size
constexpr double kShadowAlpha = 0.35;

// Coverage of one glyph in a square plane, 0..1.
using Coverage = std::vector<double>;

// Owns the FreeType objects of one run so that every return path frees them.
struct FreeType {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_Stroker stroker = nullptr;
    int scale = 1;
    int size = kSize; // the image's side in pixels
    ~FreeType() {
        if (stroker != nullptr) FT_Stroker_Done(stroker);
        if (face != nullptr) FT_Done_Face(face);
        if (library != nullptr) FT_Done_FreeType(library);
    }
};

// Renders glyph (consumed) and adds its coverage into plane.
bool addCoverage(FT_Glyph glyph, Coverage& plane, int size) {
    if (FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1) != 0) {
        FT_Done_Glyph(glyph);
        return false;
    }
    const auto* bitmapGlyph = reinterpret_cast<FT_BitmapGlyph>(glyph);
    const FT_Bitmap& bitmap = bitmapGlyph->bitmap;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = size - bitmapGlyph->top + static_cast<int>(row);
        for (unsigned col = 0; col < bitmap.width; ++col) {
            const int x = bitmapGlyph->left + static_cast<int>(col);
            if (x < 0 || y < 0 || x >= size || y >= size) continue;
            const unsigned char v =
                bitmap.buffer[static_cast<int>(row) * bitmap.pitch + static_cast<int>(col)];
            plane[static_cast<std::size_t>(y * size + x)] += v / 255.0;
        }
    }
    FT_Done_Glyph(glyph);
    return true;
}

// Paints one digit whose outline in the face's glyph slot is already placed in the plane.
bool paintSlot(const FreeType& ft, Canvas& out) {
    FT_Glyph fill = nullptr, border = nullptr;
    if (FT_Get_Glyph(ft.face->glyph, &fill) != 0) return false;
    if (FT_Get_Glyph(ft.face->glyph, &border) != 0 ||
        FT_Glyph_StrokeBorder(&border, ft.stroker, 0, 1) != 0) {
        FT_Done_Glyph(fill);
        return false;
    }
    const int size = ft.size, s = ft.scale;
    const auto area = static_cast<std::size_t>(size * size);
    Coverage face(area, 0.0), ring(area, 0.0);
    const bool faceOk = addCoverage(fill, face, size);
    const bool ringOk = addCoverage(border, ring, size);
    if (!faceOk || !ringOk) return false;

    // The whole mark (face and outline), then its shadow a little below and to the right: a box
    // blur 3 pixels of the 64-pixel image wide, as wide at every scale.
    Coverage mark(area);
    for (std::size_t i = 0; i < mark.size(); ++i)
        mark[i] = std::min(1.0, face[i] + ring[i]);
    auto markAt = [&mark, size](int x, int y) {
        return x < 0 || y < 0 || x >= size || y >= size
                   ? 0.0
                   : mark[static_cast<std::size_t>(y * size + x)];
    };
    const int box = 3 * s, half = box / 2;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double blur = 0.0;
            for (int j = -half; j < box - half; ++j)
                for (int i = -half; i < box - half; ++i)
                    blur += markAt(x - s + i, y - 2 * s + j);
            const Rgba shadow = premul(Rgb{0.0, 0.0, 0.0}, kShadowAlpha * blur / (box * box));
            const auto k = static_cast<std::size_t>(y * size + x);
            const double f = std::min(1.0, face[k]);
            const double m = mark[k];
            const double light = mix(1.0, 0.84, smoothstep(14.0, 50.0, double(y) / s));
            // Face over outline: premultiplied sum of the two parts of the mark.
            const Rgba glyph{f * light + (m - f) * 0.10, f * light + (m - f) * 0.10,
                             f * light + (m - f) * 0.12, m};
            out.at(x, y) = over(glyph, shadow);
        }
    }
    return true;
}

} // namespace

bool paintDigits(const std::string& fontPath, std::vector<Canvas>& digits, std::string& error,
                 int scale) {
    FreeType ft;
    ft.scale = scale;
    ft.size = kSize * scale;
    if (FT_Init_FreeType(&ft.library) != 0) {
        error = "cannot initialise FreeType";
        return false;
    }
    if (FT_New_Face(ft.library, fontPath.c_str(), 0, &ft.face) != 0) {
        error = "cannot load font " + fontPath;
        return false;
    }
    if (FT_Set_Pixel_Sizes(ft.face, 0, kEmPixels * FT_UInt(scale)) != 0 ||
        FT_Stroker_New(ft.library, &ft.stroker) != 0) {
        error = "cannot size font " + fontPath;
        return false;
    }
    FT_Stroker_Set(ft.stroker, kOutline * scale, FT_STROKER_LINECAP_ROUND, FT_STROKER_LINEJOIN_ROUND, 0);

    // Unhinted outlines: the glyphs are drawn scaled, so snapping to this grid buys nothing.
    constexpr FT_Int32 kLoad = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;
    // All digits share the vertical placement of "0", which centres the row in the square.
    if (FT_Load_Char(ft.face, '0', kLoad) != 0 ||
        ft.face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        error = "font " + fontPath + " has no outline for the digit 0";
        return false;
    }
    FT_BBox zero;
    FT_Outline_Get_CBox(&ft.face->glyph->outline, &zero);
    const FT_Pos dy = ft.size / 2 * 64 - (zero.yMin + zero.yMax) / 2;

    digits.clear();
    for (char c = '0'; c <= '9'; ++c) {
        if (FT_Load_Char(ft.face, static_cast<FT_ULong>(c), kLoad) != 0 ||
            ft.face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
            error = std::string("font ") + fontPath + " has no outline for the digit " + c;
            return false;
        }
        FT_Outline& outline = ft.face->glyph->outline;
        FT_BBox box;
        FT_Outline_Get_CBox(&outline, &box);
        // Each digit is centred on its own ink: the drawing centres the string by advances.
        FT_Outline_Translate(&outline, ft.size / 2 * 64 - (box.xMin + box.xMax) / 2, dy);
        Canvas canvas(ft.size, ft.size);
        if (!paintSlot(ft, canvas)) {
            error = std::string("cannot render the digit ") + c;
            return false;
        }
        digits.push_back(std::move(canvas));
    }
    return true;
}

} // namespace art
