// PNG decoding: every colour type to premultiplied RGBA top row first, and damaged input refused
// with one log line. Images are written here with libpng; the damaged ones are made from the
// shipped images.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/media/ImageDecoder.h"
#include "support/Harness.h"
#include "support/PngFiles.h"

namespace {

// A PNG written with libpng's full API: rows in the PNG's own packing, top row first.
struct PngSpec {
    int width, height, colorType, bitDepth;
    Bytes rows;
    bool interlaced = false;
    std::vector<png_color> palette = {};
    Bytes paletteAlpha = {}; // tRNS of a palette image
    png_color_16 key = {};   // tRNS of a grey or RGB image when `keyed`
    bool keyed = false;
};

void appendToBytes(png_structp png, png_bytep data, std::size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// Plain locals only: libpng reports errors by longjmp.
bool writePng(const PngSpec* spec, Bytes* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    png_bytep rows[64];
    if (!info || spec->height > 64 || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, appendToBytes, nullptr);
    png_set_IHDR(png, info, png_uint_32(spec->width), png_uint_32(spec->height), spec->bitDepth,
                 spec->colorType, spec->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!spec->palette.empty())
        png_set_PLTE(png, info, spec->palette.data(), int(spec->palette.size()));
    if (!spec->paletteAlpha.empty())
        png_set_tRNS(png, info, spec->paletteAlpha.data(), int(spec->paletteAlpha.size()), nullptr);
    if (spec->keyed) png_set_tRNS(png, info, nullptr, 0, &spec->key);
    png_write_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    for (int y = 0; y < spec->height; ++y)
        rows[y] = const_cast<png_bytep>(spec->rows.data()) + rowBytes * std::size_t(y);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

class ImageDecoder : public ::testing::Test {
protected:
    DecodedImage decode(const Bytes& b, const std::string& name = "test.png") {
        return decodePngMemory(b.data(), b.size(), name);
    }
    LogCapture log;
};

// Straight colours in, premultiplied out: colour times alpha over 255, rounded.
void expectPixels(const DecodedImage& image, int w, int h, const std::vector<Rgba>& straight) {
    ASSERT_FALSE(image.empty());
    ASSERT_EQ(image.width, w);
    ASSERT_EQ(image.height, h);
    for (int i = 0; i < w * h; ++i) {
        const unsigned char* p = image.pixels.get() + i * 4;
        const Rgba& e = straight[std::size_t(i)];
        auto pm = [&e](int c) { return static_cast<unsigned char>(std::lround(c * e.a / 255.0)); };
        SCOPED_TRACE("pixel " + std::to_string(i % w) + "," + std::to_string(i / w));
        EXPECT_EQ(p[0], pm(e.r));
        EXPECT_EQ(p[1], pm(e.g));
        EXPECT_EQ(p[2], pm(e.b));
        EXPECT_EQ(p[3], e.a);
    }
}

TEST_F(ImageDecoder, EveryColourTypeAndDepthGivesPremultipliedRgbaTopRowFirst) {
    struct Case {
        const char* what;
        PngSpec spec;
        std::vector<Rgba> straight;
    };
    // clang-format off
    std::vector<Case> cases = {
        {"2-bit palette with transparency: indices 0 1 2 3 / 3 2 1 0",
         {4, 2, PNG_COLOR_TYPE_PALETTE, 2, {0b00011011, 0b11100100}, false,
          {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {250, 250, 250}}, {0, 100}},
         {{255, 0, 0, 0}, {0, 255, 0, 100}, {0, 0, 255, 255}, {250, 250, 250, 255},
          {250, 250, 250, 255}, {0, 0, 255, 255}, {0, 255, 0, 100}, {255, 0, 0, 0}}},
        {"grey and alpha", {3, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {0, 255, 128, 128, 255, 3}},
         {{0, 0, 0, 255}, {128, 128, 128, 128}, {255, 255, 255, 3}}},
        {"rgb with a colour key",
         {2, 1, PNG_COLOR_TYPE_RGB, 8, {10, 20, 30, 10, 20, 31}, false, {}, {}, {0, 10, 20, 30, 0},
          true},
         {{10, 20, 30, 0}, {10, 20, 31, 255}}},
    };
    // clang-format on
    auto to8 = [](int v) { return int(std::lround(v / 257.0)); }; // 16 bits to 8, rounded
    // Interlaced 16-bit grey, 9 x 7 so that every Adam7 pass has partial blocks.
    Case grey{"interlaced 16-bit grey", {9, 7, PNG_COLOR_TYPE_GRAY, 16, {}, true}, {}};
    for (int i = 0; i < 63; ++i) {
        const int v = i * 1000;
        grey.spec.rows.insert(grey.spec.rows.end(), {(unsigned char)(v >> 8), (unsigned char)v});
        grey.straight.push_back({to8(v), to8(v), to8(v), 255});
    }
    cases.push_back(grey);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file;
        ASSERT_TRUE(writePng(&c.spec, &file));
        expectPixels(decode(file), c.spec.width, c.spec.height, c.straight);
    }
    EXPECT_TRUE(log.lines.empty());
}

// The shipped images decode as libpng's own simplified reader reads them (straight alpha); every
// cut of one is refused, and every changed byte is either refused or harmless.
TEST_F(ImageDecoder, ShippedImagesMatchAReferenceDecodeAndDamagedOnesNeverDecodeWrongly) {
    int refusedFlips = 0;
    const auto files = shippedPngs();
    ASSERT_GE(files.size(), 21u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        png_image ref{};
        ref.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&ref, file.c_str()));
        ref.format = PNG_FORMAT_RGBA;
        Bytes straight(PNG_IMAGE_SIZE(ref));
        ASSERT_TRUE(png_image_finish_read(&ref, nullptr, straight.data(), 0, nullptr));
        std::vector<Rgba> px;
        for (std::size_t i = 0; i < straight.size(); i += 4)
            px.push_back({straight[i], straight[i + 1], straight[i + 2], straight[i + 3]});
        const Bytes valid = readFile<Bytes>(file);
        const DecodedImage original = decode(valid);
        expectPixels(original, int(ref.width), int(ref.height), px);
        ASSERT_TRUE(log.lines.empty());
        for (std::size_t n = 0; n < valid.size(); n += (n < 80 || n + 24 > valid.size()) ? 1 : 17) {
            log.lines.clear();
            EXPECT_TRUE(decode(Bytes(valid.begin(), valid.begin() + std::ptrdiff_t(n))).empty())
                << "cut at " << n;
            EXPECT_EQ(log.lines.size(), 1u) << "cut at " << n;
        }
        for (std::size_t at = 0; at < valid.size(); at += 3) {
            for (bool fixCrc : {false, true}) {
                Bytes bad = valid;
                const unsigned mask = (1u << (at % 8)) | (at % 5 == 0 ? 0xf0u : 0u);
                bad[at] = static_cast<unsigned char>(bad[at] ^ mask);
                if (fixCrc) fixChunkCrcs(bad);
                log.lines.clear();
                const DecodedImage image = decode(bad);
                if (image.empty()) {
                    ++refusedFlips;
                    EXPECT_EQ(log.lines.size(), 1u) << "byte " << at;
                    continue;
                }
                EXPECT_TRUE(log.lines.empty()) << "byte " << at;
                // The size is what the (possibly damaged) header says.
                EXPECT_EQ(std::uint32_t(image.width), readBig32(bad, 16));
                EXPECT_EQ(std::uint32_t(image.height), readBig32(bad, 20));
                if (!fixCrc) { // a damaged chunk that passed its CRC: the pixels are intact
                    EXPECT_TRUE(std::equal(image.pixels.get(),
                                           image.pixels.get() + image.byteCount(),
                                           original.pixels.get()))
                        << "byte " << at;
                }
            }
        }
    }
    EXPECT_GT(refusedFlips, 0);
}

} // namespace
