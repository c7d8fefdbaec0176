// Writes 8-bit RGBA pixels (top row first) as a PNG file with libpng. No SDL.
#pragma once

#include <cstdint>
#include <string>

// False, with one log line, when the file cannot be written.
bool writePngFile(const std::string& path, const std::uint8_t* rgba, int width, int height);
