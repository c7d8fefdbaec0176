// Reading and writing 8-bit RGBA PNG files with libpng. Writing is deterministic: fixed zlib
// level and filters, no time stamp or other ancillary chunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace art {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // straight R, G, B, A, top row first
};

// Writes image to path. Returns false, with a short reason in error, if the file cannot be
// created or written completely.
bool writePng(const std::string& path, const Image& image, std::string& error);

// Reads any PNG into straight 8-bit RGBA. Returns false, with a reason in error, on failure.
bool readPng(const std::string& path, Image& image, std::string& error);

} // namespace art
