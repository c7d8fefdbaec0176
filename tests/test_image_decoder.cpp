// PNG decoding: every colour type to premultiplied RGBA top row first, and damaged input refused
// with one log line. Images are written here with libpng; the damaged ones are made from the
// shipped images.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ImageDecoder.h"
#include "platform/Log.h"
#include "platform/Resources.h"

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

namespace {

std::vector<std::string> logLines;
void captureLog(const char* line) {
    logLines.emplace_back(line);
}

// ---- A PNG writer for the test images (full libpng API: palette, 16 bit, interlace). ----

struct PngSpec {
    int width, height, colorType, bitDepth;
    bool interlaced;
    const png_color* palette;
    int paletteSize;
    const unsigned char* paletteAlpha; // tRNS of a palette image
    int paletteAlphaSize;
    const png_color_16* transparentColor; // tRNS of a grey or RGB image
    const unsigned char* data;            // rows in the PNG's own packing, top row first
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
    if (spec->palette) png_set_PLTE(png, info, spec->palette, spec->paletteSize);
    if (spec->paletteAlpha)
        png_set_tRNS(png, info, spec->paletteAlpha, spec->paletteAlphaSize, nullptr);
    if (spec->transparentColor) png_set_tRNS(png, info, nullptr, 0, spec->transparentColor);
    png_write_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    for (int y = 0; y < spec->height; ++y)
        rows[y] = const_cast<png_bytep>(spec->data) + rowBytes * std::size_t(y);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

Bytes pngBytes(const PngSpec& spec) {
    Bytes out;
    EXPECT_TRUE(writePng(&spec, &out));
    return out;
}

// Independent of the decoder: colour times alpha over 255, rounded.
unsigned char premultiplied(int colour, int alpha) {
    return static_cast<unsigned char>(std::lround(colour * alpha / 255.0));
}

struct Rgba {
    int r, g, b, a;
};

void expectPixels(const DecodedImage& image, int w, int h, const std::vector<Rgba>& straight) {
    ASSERT_FALSE(image.empty());
    ASSERT_EQ(image.width, w);
    ASSERT_EQ(image.height, h);
    for (int i = 0; i < w * h; ++i) {
        const unsigned char* p = image.pixels.get() + i * 4;
        const Rgba& e = straight[std::size_t(i)];
        SCOPED_TRACE("pixel " + std::to_string(i % w) + "," + std::to_string(i / w));
        EXPECT_EQ(p[0], premultiplied(e.r, e.a));
        EXPECT_EQ(p[1], premultiplied(e.g, e.a));
        EXPECT_EQ(p[2], premultiplied(e.b, e.a));
        EXPECT_EQ(p[3], e.a);
    }
}

// ---- Damaging files ----

std::uint32_t crc32Of(const unsigned char* p, std::size_t n) {
    std::uint32_t c = 0xffffffffu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
    }
    return ~c;
}

std::uint32_t readBig32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 |
           std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}

void writeBig32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

// Recomputes every chunk's CRC, so that damage inside a chunk reaches the decompressor.
void fixChunkCrcs(Bytes& b) {
    std::size_t at = 8;
    while (at + 12 <= b.size()) {
        const std::size_t length = readBig32(b, at);
        if (length > b.size() - at - 12) return;
        writeBig32(b, at + 8 + length, crc32Of(&b[at + 4], length + 4));
        at += length + 12;
    }
}

// The IHDR of a valid PNG made to claim w x h, with a matching CRC.
Bytes withClaimedSize(Bytes b, std::uint32_t w, std::uint32_t h) {
    writeBig32(b, 16, w);
    writeBig32(b, 20, h);
    writeBig32(b, 29, crc32Of(&b[12], 17));
    return b;
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<fs::path> shippedPngs() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(resourceDirectory()))
        if (entry.path().extension() == ".png") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

class ImageDecoder : public ::testing::Test {
  protected:
    void SetUp() override {
        logLines.clear();
        setLogSink(captureLog);
    }
    void TearDown() override { setLogSink(nullptr); }

    DecodedImage decode(const Bytes& b, const std::string& name = "test.png") {
        return decodePngMemory(b.data(), b.size(), name);
    }
};

// ---- Colour types ----

TEST_F(ImageDecoder, RgbaIsPremultipliedTopRowFirst) {
    // Three rows that differ, alphas from clear to opaque.
    const std::vector<Rgba> px = {{255, 0, 0, 255}, {0, 255, 0, 128},    {200, 100, 50, 1},
                                  {10, 20, 30, 0},  {255, 255, 255, 77}, {99, 180, 7, 254},
                                  {0, 0, 255, 255}, {128, 64, 32, 200}};
    Bytes data;
    for (const Rgba& p : px)
        data.insert(data.end(), {(unsigned char)p.r, (unsigned char)p.g, (unsigned char)p.b,
                                 (unsigned char)p.a});
    const PngSpec spec{
        2, 4, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, nullptr, 0, nullptr, 0, nullptr, data.data()};
    expectPixels(decode(pngBytes(spec)), 2, 4, px);
    EXPECT_TRUE(logLines.empty());
}

TEST_F(ImageDecoder, PaletteWithTransparencyAndLowBitDepth) {
    const png_color palette[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {250, 250, 250}};
    const unsigned char alpha[2] = {0, 100}; // entries 2 and 3 stay opaque
    // 2 bits a pixel, 4 x 2: indices 0 1 2 3 / 3 2 1 0.
    const unsigned char data[2] = {0b00011011, 0b11100100};
    const PngSpec spec{4, 2, PNG_COLOR_TYPE_PALETTE, 2, false, palette, 4, alpha, 2, nullptr, data};
    const int idx[8] = {0, 1, 2, 3, 3, 2, 1, 0};
    std::vector<Rgba> px;
    for (int i : idx)
        px.push_back({palette[i].red, palette[i].green, palette[i].blue, i < 2 ? alpha[i] : 255});
    expectPixels(decode(pngBytes(spec)), 4, 2, px);
}

TEST_F(ImageDecoder, GreyAlphaAndOneBitGrey) {
    const unsigned char ga[6] = {0, 255, 128, 128, 255, 3}; // 3 x 1, (grey, alpha)
    const PngSpec greyAlpha{3,       1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, nullptr, 0, nullptr, 0,
                            nullptr, ga};
    expectPixels(decode(pngBytes(greyAlpha)), 3, 1,
                 {{0, 0, 0, 255}, {128, 128, 128, 128}, {255, 255, 255, 3}});

    const unsigned char bits[2] = {0b10110000, 0b01000000}; // 4 x 2, top row 1 0 1 1
    const PngSpec oneBit{4,       2,   PNG_COLOR_TYPE_GRAY, 1, false, nullptr, 0, nullptr, 0,
                         nullptr, bits};
    const Rgba W{255, 255, 255, 255}, K{0, 0, 0, 255};
    expectPixels(decode(pngBytes(oneBit)), 4, 2, {W, K, W, W, K, W, K, K});
}

TEST_F(ImageDecoder, SixteenBitChannelsScaleToEightBits) {
    // 2 x 2 RGBA, 16 bits big-endian; v / 257 rounded is the 8-bit value.
    const std::uint16_t v[16] = {0xffff, 0x0000, 0x1234, 0xffff, 0x8080, 0xabcd, 0x0101, 0x8000,
                                 0x7f7f, 0xfefe, 0x00ff, 0x4000, 0x0000, 0x0000, 0x0000, 0x0000};
    Bytes data;
    for (std::uint16_t x : v)
        data.insert(data.end(), {(unsigned char)(x >> 8), (unsigned char)x});
    const PngSpec spec{
        2, 2, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, nullptr, 0, nullptr, 0, nullptr, data.data()};
    std::vector<Rgba> px;
    for (int i = 0; i < 4; ++i) {
        auto s = [&](int c) { return int(std::lround(v[i * 4 + c] / 257.0)); };
        px.push_back({s(0), s(1), s(2), s(3)});
    }
    expectPixels(decode(pngBytes(spec)), 2, 2, px);
}

TEST_F(ImageDecoder, InterlacedImagesDecodeInPlace) {
    // 9 x 7 covers every Adam7 pass with partial blocks.
    const int w = 9, h = 7;
    Bytes rgb, grey16;
    std::vector<Rgba> px, greyPx;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int r = x * 28, g = y * 40, b = (x * 7 + y * 13) % 256;
            rgb.insert(rgb.end(), {(unsigned char)r, (unsigned char)g, (unsigned char)b});
            px.push_back({r, g, b, 255});
            const int v = (x * 9 + y) * 800; // up to 62400
            grey16.insert(grey16.end(), {(unsigned char)(v >> 8), (unsigned char)v});
            const int g8 = int(std::lround(v / 257.0));
            greyPx.push_back({g8, g8, g8, 255});
        }
    const PngSpec rgbSpec{w, h,       PNG_COLOR_TYPE_RGB, 8, true, nullptr, 0, nullptr,
                          0, nullptr, rgb.data()};
    expectPixels(decode(pngBytes(rgbSpec)), w, h, px);
    const PngSpec greySpec{w, h,       PNG_COLOR_TYPE_GRAY, 16, true, nullptr, 0, nullptr,
                           0, nullptr, grey16.data()};
    expectPixels(decode(pngBytes(greySpec)), w, h, greyPx);
}

TEST_F(ImageDecoder, RgbColourKeyBecomesTransparent) {
    png_color_16 key{};
    key.red = 10;
    key.green = 20;
    key.blue = 30;
    const unsigned char data[6] = {10, 20, 30, 10, 20, 31};
    const PngSpec spec{2, 1, PNG_COLOR_TYPE_RGB, 8, false, nullptr, 0, nullptr, 0, &key, data};
    expectPixels(decode(pngBytes(spec)), 2, 1, {{10, 20, 30, 0}, {10, 20, 31, 255}});
}

// The shipped images against libpng's own simplified reader (straight alpha).
TEST_F(ImageDecoder, ShippedImagesMatchAReferenceDecode) {
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
        expectPixels(decodePngFile(file.string()), int(ref.width), int(ref.height), px);
    }
    EXPECT_TRUE(logLines.empty());
}

// ---- Failures: empty result, one line naming the file ----

TEST_F(ImageDecoder, UnreadableFilesLogOneLineEach) {
    const fs::path dir =
        fs::temp_directory_path() / ("spheron-decoder-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream((dir / "empty.png").string()).close();
    std::ofstream((dir / "text.png").string()) << "this is not an image\n";
    const std::string cases[] = {(dir / "missing.png").string(), (dir / "empty.png").string(),
                                 (dir / "text.png").string(), dir.string()};
    for (const std::string& path : cases) {
        logLines.clear();
        EXPECT_TRUE(decodePngFile(path).empty()) << path;
        ASSERT_EQ(logLines.size(), 1u) << path;
        EXPECT_NE(logLines[0].find(path), std::string::npos) << logLines[0];
    }
    fs::remove_all(dir);
}

TEST_F(ImageDecoder, EnormousHeaderIsRefusedBeforeAllocating) {
    const Bytes valid = readFile(shippedPngs().at(0));
    ASSERT_FALSE(decode(valid).empty());
    // Over our limit, over libpng's own limit, one side only, and zero.
    const std::uint32_t sizes[][2] = {
        {100000, 100000}, {2000000000, 2000000000}, {64, 4097}, {0, 64}};
    for (const auto& s : sizes) {
        logLines.clear();
        const DecodedImage image = decode(withClaimedSize(valid, s[0], s[1]), "huge.png");
        EXPECT_TRUE(image.empty()) << s[0] << "x" << s[1];
        ASSERT_EQ(logLines.size(), 1u);
        EXPECT_NE(logLines[0].find("huge.png"), std::string::npos) << logLines[0];
    }
    logLines.clear();
    decode(withClaimedSize(valid, 100000, 100000), "huge.png");
    EXPECT_NE(logLines.at(0).find("100000x100000"), std::string::npos) << logLines[0];
}

// Every cut of a shipped image is refused; every changed byte is either refused or harmless.
TEST_F(ImageDecoder, DamagedShippedImagesNeverDecodeWrongly) {
    int refusedFlips = 0, decodedFlips = 0;
    for (const fs::path& file : shippedPngs()) {
        SCOPED_TRACE(file.string());
        const Bytes valid = readFile(file);
        const DecodedImage original = decode(valid);
        ASSERT_FALSE(original.empty());
        for (std::size_t n = 0; n < valid.size(); n += (n < 80 || n + 24 > valid.size()) ? 1 : 17) {
            logLines.clear();
            Bytes cut(valid.begin(), valid.begin() + std::ptrdiff_t(n));
            EXPECT_TRUE(decode(cut).empty()) << "cut at " << n;
            EXPECT_EQ(logLines.size(), 1u) << "cut at " << n;
        }
        for (std::size_t at = 0; at < valid.size(); at += 3) {
            for (bool fixCrc : {false, true}) {
                Bytes bad = valid;
                const unsigned mask = (1u << (at % 8)) | (at % 5 == 0 ? 0xf0u : 0u);
                bad[at] = static_cast<unsigned char>(bad[at] ^ mask);
                if (fixCrc) fixChunkCrcs(bad);
                logLines.clear();
                const DecodedImage image = decode(bad);
                if (image.empty()) {
                    ++refusedFlips;
                    EXPECT_EQ(logLines.size(), 1u) << "byte " << at;
                    continue;
                }
                ++decodedFlips;
                EXPECT_TRUE(logLines.empty()) << "byte " << at;
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
    std::printf("byte changes: %d refused, %d decoded\n", refusedFlips, decodedFlips);
}

} // namespace
