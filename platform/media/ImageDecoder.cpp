// PNG to premultiplied 8-bit RGBA with libpng. The libpng calls live in one plain function whose
// state is all in a POD record, so that its error longjmp can skip no destructor and leak nothing.
#include "platform/media/ImageDecoder.h"

#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/base/Log.h"

namespace {

// Everything the libpng code reads and writes. Plain data only (see the file comment); what it
// allocates is freed by the caller, whichever way readPng returns.
struct PngJob {
    const unsigned char* data;
    std::size_t byteCount;
    std::size_t offset;
    png_structp png;
    png_infop info;
    unsigned char* pixels; // width * height * 4, zeroed, handed to the caller on success
    png_bytep* rows;       // row pointers into pixels, top row first
    png_uint_32 width;
    png_uint_32 height;
    char error[160];
};

void setError(PngJob* job, const char* message) {
    std::snprintf(job->error, sizeof job->error, "%s", message);
}

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
    setError(static_cast<PngJob*>(png_get_error_ptr(png)), message);
    png_longjmp(png, 1);
}

// Warnings come from damaged ancillary chunks that libpng skips; the image itself is fine.
void onPngWarning(png_structp, png_const_charp) {}

void readFromMemory(png_structp png, png_bytep out, std::size_t length) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (length > job->byteCount - job->offset) png_error(png, "file ends early (truncated)");
    std::memcpy(out, job->data + job->offset, length);
    job->offset += length;
}

// Decodes job->data into job->pixels as straight (not yet premultiplied) RGBA. False with
// job->error set on any failure.
bool readPng(PngJob* job) {
    if (job->byteCount < 8 || png_sig_cmp(job->data, 0, 8) != 0) {
        setError(job, "not a PNG file");
        return false;
    }
    job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, onPngError, onPngWarning);
    if (job->png) job->info = png_create_info_struct(job->png);
    if (!job->png || !job->info) {
        setError(job, "out of memory for the decoder");
        return false;
    }
    if (setjmp(png_jmpbuf(job->png))) return false; // job->error is set

    png_set_read_fn(job->png, job, readFromMemory);
    png_read_info(job->png, job->info);
    const png_uint_32 w = png_get_image_width(job->png, job->info);
    const png_uint_32 h = png_get_image_height(job->png, job->info);
    if (w > png_uint_32(kMaxImageSide) || h > png_uint_32(kMaxImageSide)) { // libpng refuses 0
        std::snprintf(job->error, sizeof job->error,
                      "image claims %lux%lu pixels, over the %dx%d limit", (unsigned long)w,
                      (unsigned long)h, kMaxImageSide, kMaxImageSide);
        return false;
    }

    // Whatever the colour type and depth: 8 bits a channel, R G B A.
    const int colorType = png_get_color_type(job->png, job->info);
    const int bitDepth = png_get_bit_depth(job->png, job->info);
    const bool hasTrns = png_get_valid(job->png, job->info, PNG_INFO_tRNS) != 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(job->png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(job->png);
    if (hasTrns) png_set_tRNS_to_alpha(job->png);
    if (bitDepth == 16) png_set_scale_16(job->png);
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(job->png);
    if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTrns)
        png_set_add_alpha(job->png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(job->png);
    png_read_update_info(job->png, job->info);

    const std::size_t rowBytes = std::size_t(w) * 4;
    if (png_get_rowbytes(job->png, job->info) != rowBytes) {
        setError(job, "unsupported pixel layout");
        return false;
    }
    if (h > SIZE_MAX / rowBytes) {
        setError(job, "image size overflows");
        return false;
    }
    job->pixels = static_cast<unsigned char*>(std::calloc(rowBytes * h, 1));
    job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * h));
    if (!job->pixels || !job->rows) {
        setError(job, "out of memory for the pixels");
        return false;
    }
    for (png_uint_32 y = 0; y < h; ++y)
        job->rows[y] = job->pixels + rowBytes * y;
    png_read_image(job->png, job->rows);
    png_read_end(job->png, nullptr); // a file cut short after the pixels is still damaged
    job->width = w;
    job->height = h;
    return true;
}

// Colour times alpha, rounded to nearest.
void premultiply(unsigned char* rgba, std::size_t pixelCount) {
    for (std::size_t i = 0; i < pixelCount; ++i, rgba += 4) {
        const unsigned a = rgba[3];
        if (a == 255) continue;
        for (int c = 0; c < 3; ++c)
            rgba[c] = static_cast<unsigned char>((rgba[c] * a + 127) / 255);
    }
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

DecodedImage decodePngMemory(const void* data, std::size_t size, const std::string& name) {
    PngJob job{};
    job.data = static_cast<const unsigned char*>(data);
    job.byteCount = data ? size : 0;
    const bool ok = readPng(&job);
    if (job.png) png_destroy_read_struct(&job.png, &job.info, nullptr);
    std::free(job.rows);

    DecodedImage image;
    if (!ok) {
        std::free(job.pixels);
        platformLog("cannot decode image \"%s\": %s", name.c_str(), job.error);
        return image;
    }
    premultiply(job.pixels, std::size_t(job.width) * job.height);
    image.width = int(job.width);
    image.height = int(job.height);
    image.pixels.reset(job.pixels);
    return image;
}

DecodedImage decodePngFile(const std::string& path) {
    const char* name = path.c_str();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name, "rb"));
    struct stat info {};
    if (!file || fstat(fileno(file.get()), &info) != 0) {
        platformLog("cannot read image \"%s\": %s", name, std::strerror(errno));
        return {};
    }
    if (!S_ISREG(info.st_mode)) {
        platformLog("cannot read image \"%s\": not a regular file", name);
        return {};
    }
    if (info.st_size <= 0) {
        platformLog("cannot decode image \"%s\": the file is empty", name);
        return {};
    }
    if (std::uintmax_t(info.st_size) > kMaxImageFileBytes) {
        platformLog("cannot read image \"%s\": %lld bytes, over the %zu-byte limit", name,
                    (long long)info.st_size, kMaxImageFileBytes);
        return {};
    }
    const auto size = std::size_t(info.st_size);
    std::unique_ptr<unsigned char, DecodedImage::FreeDeleter> bytes(
        static_cast<unsigned char*>(std::malloc(size)));
    if (!bytes) {
        platformLog("cannot read image \"%s\": out of memory for %zu bytes", name, size);
        return {};
    }
    if (std::fread(bytes.get(), 1, size, file.get()) != size) {
        platformLog("cannot read image \"%s\": read error", name);
        return {};
    }
    return decodePngMemory(bytes.get(), size, path);
}
