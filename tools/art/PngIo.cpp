// libpng glue for the image generators. libpng reports errors by longjmp, so the functions
// that call it keep only trivially destructible locals after setjmp.
#include "PngIo.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace art {

namespace {

// libpng's message goes to the caller's string instead of stderr.
void onPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error != nullptr) *error = message;
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

bool writeRows(std::FILE* file, const Image& image, png_bytep* rows, std::string& error) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, onPngError, onPngWarning);
    if (png == nullptr) {
        error = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (error.empty()) error = "out of memory";
        return false;
    }
    png_init_io(png, file);
    // Both fixed so that the same pixels always give the same bytes.
    png_set_compression_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writePng(const std::string& path, const Image& image, std::string& error) {
    const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
    if (image.width <= 0 || image.height <= 0 ||
        image.rgba.size() != stride * static_cast<std::size_t>(image.height)) {
        error = "bad image size";
        return false;
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (std::size_t y = 0; y < rows.size(); ++y)
        rows[y] = const_cast<png_bytep>(image.rgba.data() + y * stride);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    error.clear();
    const bool written = writeRows(file, image, rows.data(), error);
    // A full disk may only show when the buffered tail is flushed.
    const bool closed = std::fclose(file) == 0;
    if (written && !closed) error = std::strerror(errno);
    if (!written || !closed) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}

bool readPng(const std::string& path, Image& image, std::string& error) {
    png_image decoded;
    std::memset(&decoded, 0, sizeof decoded);
    decoded.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&decoded, path.c_str())) {
        error = decoded.message;
        return false;
    }
    decoded.format = PNG_FORMAT_RGBA;
    image.width = static_cast<int>(decoded.width);
    image.height = static_cast<int>(decoded.height);
    image.rgba.assign(PNG_IMAGE_SIZE(decoded), 0);
    if (!png_image_finish_read(&decoded, nullptr, image.rgba.data(), 0, nullptr)) {
        error = decoded.message;
        png_image_free(&decoded);
        return false;
    }
    return true;
}

} // namespace art
