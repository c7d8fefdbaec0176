// PNG output for screenshots.
#include "platform/media/PngWriter.h"

#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/base/Log.h"

namespace {

// libpng's own words for a failure (a full disk, say), kept for our one log line instead of
// libpng printing its own unprefixed line.
struct PngWriteError {
    char message[160] = "write failed";
};

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngWriteError*>(png_get_error_ptr(png));
    std::snprintf(error->message, sizeof error->message, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Kept free of C++ objects with destructors: libpng reports errors by longjmp.
bool writeRows(std::FILE* file, const std::uint8_t* rgba, int width, int height,
               PngWriteError* error) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, error, onPngError, onPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, rgba + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writePngFile(const std::string& path, const std::uint8_t* rgba, int width, int height) {
    if (!rgba || width <= 0 || height <= 0) {
        platformLog("cannot write %s: no pixels", path.c_str());
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        platformLog("cannot write %s: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    PngWriteError error;
    const bool ok = writeRows(file, rgba, width, height, &error);
    // Only a half-written file of ours goes; a device or pipe named as the picture stays.
    struct stat written {};
    const bool regular = fstat(fileno(file), &written) == 0 && S_ISREG(written.st_mode);
    if (std::fclose(file) != 0 || !ok) {
        platformLog("cannot write %s: %s", path.c_str(), error.message);
        if (regular) std::remove(path.c_str());
        return false;
    }
    return true;
}
