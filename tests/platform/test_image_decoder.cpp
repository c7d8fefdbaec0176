// PNG decoding: the shipped images against libpng's own reader, premultiplied, top row first; and
// cut copies of them refused with one log line. (Empty, foreign and enormous files are refused in
// the textures' suite.)
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
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
        Bytes want(PNG_IMAGE_SIZE(ref));
        ASSERT_TRUE(png_image_finish_read(&ref, nullptr, want.data(), 0, nullptr));
        // Straight colours in, premultiplied out: colour times alpha over 255, rounded.
        for (std::size_t i = 0; i < want.size(); ++i)
            if (i % 4 != 3)
                want[i] = static_cast<unsigned char>(std::lround(want[i] * want[i | 3] / 255.0));
        const Bytes valid = readFile<Bytes>(file);
        log.lines.clear();
        const DecodedImage image = decode(valid);
        ASSERT_TRUE(image.width == int(ref.width) && image.height == int(ref.height));
        EXPECT_TRUE(std::equal(want.begin(), want.end(), image.pixels.get()));
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
