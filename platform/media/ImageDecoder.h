// PNG decoding into the one pixel layout the renderer takes: 8-bit RGBA, colour premultiplied by
// alpha, rows tightly packed, top row first. libpng only; no SDL, no GL.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>

// Larger images are refused before anything is allocated for their pixels.
constexpr int kMaxImageSide = 4096;
// Larger files are refused before they are read.
constexpr std::size_t kMaxImageFileBytes = 64u << 20;

struct DecodedImage {
    struct FreeDeleter {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    int width = 0;                                      // pixels
    int height = 0;                                     // pixels
    std::unique_ptr<unsigned char, FreeDeleter> pixels; // width * height * 4 bytes, or null

    bool empty() const { return !pixels; }
    std::size_t byteCount() const { return std::size_t(width) * std::size_t(height) * 4; }
};

// Any PNG colour type and bit depth, interlaced or not. On any failure (missing or unreadable
// file, not a PNG, corrupt or truncated data, a size over the limits, no memory) the result is
// empty and exactly one line naming the file and the reason has been logged.
DecodedImage decodePngFile(const std::string& path);

// The same for a PNG already in memory; `name` is used in the log line.
DecodedImage decodePngMemory(const void* data, std::size_t size, const std::string& name);
