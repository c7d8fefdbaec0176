// PNG decoding: the shipped images against libpng's own reader, premultiplied, top row first; and
// cut copies of them refused with one log line. (Empty, foreign and enormous files are refused in
// the textures' suite.)
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

// The shipped images decode as libpng's own simplified reader reads them (straight alpha), and
// every cut of one is refused with one line.
TEST_F(ImageDecoder, ShippedImagesMatchAReferenceDecodeAndEveryCutOfThemIsRefused) {
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
        log.lines.clear();
        const DecodedImage original = decode(valid);
        expectPixels(original, int(ref.width), int(ref.height), px);
        ASSERT_TRUE(log.lines.empty());
        for (std::size_t n = 0; n < valid.size(); n += (n < 80 || n + 24 > valid.size()) ? 1 : 17) {
            log.lines.clear();
            EXPECT_TRUE(decode(Bytes(valid.begin(), valid.begin() + std::ptrdiff_t(n))).empty())
                << "cut at " << n;
            EXPECT_EQ(log.lines.size(), 1u) << "cut at " << n;
        }
    }
}

} // namespace
