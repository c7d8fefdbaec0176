// PNG files for the decoder and texture suites: the shipped images, copies of them claiming
// another size with a valid checksum, and straight RGBA images written with libpng's simplified
// API.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

#include "platform/media/Resources.h"

using Bytes = std::vector<unsigned char>;

inline std::vector<std::filesystem::path> shippedPngs() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(resourceDirectory()))
        if (entry.path().extension() == ".png") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::uint32_t crc32Of(const unsigned char* p, std::size_t n) {
    std::uint32_t c = 0xffffffffu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
    }
    return ~c;
}

inline void writeBig32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

// A valid PNG whose header claims w x h, with a matching CRC.
inline Bytes withClaimedSize(Bytes b, std::uint32_t w, std::uint32_t h) {
    writeBig32(b, 16, w);
    writeBig32(b, 20, h);
    writeBig32(b, 29, crc32Of(&b[12], 17));
    return b;
}

inline Bytes randomOpaque(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    Bytes rgba(std::size_t(w) * h * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = (i % 4 == 3) ? 255 : static_cast<unsigned char>(random());
    return rgba;
}

inline void writeRgbaPng(const std::filesystem::path& path, int w, int h, const Bytes& rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr))
        << image.message;
}
