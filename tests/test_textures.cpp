// Texture loading on a real OpenGL ES 1.1 context: the box filter, which levels are uploaded,
// the resource lookup, the 21 shipped images, and damaged files that must give texture name 0.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "platform/Resources.h"
#include "platform/Screen.h"
#include "render/Textures.h"

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

namespace {

std::vector<std::string> logLines;
void captureLog(const char* line) {
    logLines.emplace_back(line);
}

struct Upload {
    GLint level;
    GLsizei width, height;
    Bytes pixels;
};
std::vector<Upload> uploads;

void recordUpload(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void* pixels) {
    const auto* p = static_cast<const unsigned char*>(pixels);
    uploads.push_back({level, width, height, Bytes(p, p + std::size_t(width) * height * 4)});
    glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
}

std::vector<std::pair<int, int>> uploadedLevels() { // (level, width), in upload order
    std::vector<std::pair<int, int>> levels;
    for (const Upload& u : uploads)
        levels.emplace_back(u.level, u.width);
    return levels;
}

// Straight RGBA written with libpng's simplified writer.
void writeRgbaPng(const fs::path& path, int w, int h, const Bytes& rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr))
        << image.message;
}

Bytes randomOpaque(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    Bytes rgba(std::size_t(w) * h * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = (i % 4 == 3) ? 255 : static_cast<unsigned char>(random());
    return rgba;
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::uint32_t crc32Of(const unsigned char* p, std::size_t n) {
    std::uint32_t c = 0xffffffffu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
    }
    return ~c;
}

GLint boundTexture() {
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

class Textures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ScreenOptions options;
        options.widthPx = 64;
        options.heightPx = 64;
        options.visible = false;
        screenOpen(options);
    }
    static void TearDownTestSuite() { screenClose(); }

    void SetUp() override {
        ASSERT_TRUE(screenIsOpen());
        shipped = resourceDirectory();
        scratch = fs::temp_directory_path() / ("spheron-textures-" + std::to_string(getpid()));
        fs::create_directories(scratch);
        uploads.clear();
        logLines.clear();
        setTexImage2DHook(recordUpload);
        setLogSink(captureLog);
    }
    void TearDown() override {
        setLogSink(nullptr);
        setTexImage2DHook(nullptr);
        setResourceDirectory("");
        fs::remove_all(scratch);
    }

    fs::path shipped; // the real resources
    fs::path scratch; // a resource folder for made-up images
};

// ---- Box filter ----

TEST(BoxFilter, MeansDropTheRemainder) {
    // 2 x 2: red 1 2 2 2 -> 7/4 = 1; green 255 255 255 254 -> 254; blue 3 0 0 0 -> 0.
    const unsigned char square[16] = {1, 255, 3, 10, 2, 255, 0, 11, 2, 255, 0, 12, 2, 254, 0, 13};
    unsigned char out[4];
    int w = 2, h = 2;
    ASSERT_TRUE(reduceImage(square, out, &w, &h));
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 254);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 11); // 46 / 4

    // 1 x 4 column and 4 x 1 row: pair means, 1 x 2 and 2 x 1.
    const unsigned char line[16] = {0, 10, 100, 255, 1, 20, 201, 254, 7, 30, 0, 0, 8, 41, 255, 3};
    const unsigned char pairs[8] = {0, 15, 150, 254, 7, 35, 127, 1};
    for (int columnFirst = 0; columnFirst < 2; ++columnFirst) {
        unsigned char half[8];
        w = columnFirst ? 1 : 4;
        h = columnFirst ? 4 : 1;
        ASSERT_TRUE(reduceImage(line, half, &w, &h));
        EXPECT_EQ(w, columnFirst ? 1 : 2);
        EXPECT_EQ(h, columnFirst ? 2 : 1);
        EXPECT_TRUE(std::equal(half, half + 8, pairs));
    }

    w = h = 1;
    unsigned char untouched[4] = {9, 9, 9, 9};
    EXPECT_FALSE(reduceImage(square, untouched, &w, &h));
    EXPECT_EQ(w, 1);
    EXPECT_EQ(untouched[0], 9);
}

// ---- Level chains ----

TEST_F(Textures, LevelChainsUploadTheRequestedLevels) {
    writeRgbaPng(scratch / "image64.png", 64, 64, randomOpaque(64, 64, 1));
    setResourceDirectory(scratch.string());
    using Levels = std::vector<std::pair<int, int>>;
    const struct {
        int start, stop;
        Levels levels;
    } cases[] = {{1, 3, {{0, 64}, {1, 32}, {2, 16}, {3, 8}}},
                 {2, 3, {{0, 64}, {2, 16}, {3, 8}}},
                 {0, 0, {{0, 64}}},
                 {0, 99, {{0, 64}, {1, 32}, {2, 16}, {3, 8}, {4, 4}, {5, 2}, {6, 1}}}};
    for (const auto& c : cases) {
        uploads.clear();
        const GLuint name = loadTextureFromResource("image64.png", c.start, c.stop);
        ASSERT_NE(name, 0u);
        EXPECT_EQ(uploadedLevels(), c.levels) << c.start << "-" << c.stop;
        for (const Upload& u : uploads)
            EXPECT_EQ(u.width, u.height);
        EXPECT_TRUE(glIsTexture(name));
        EXPECT_EQ(boundTexture(), GLint(name));
        GLint minFilter = 0, magFilter = 0, wrap = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        EXPECT_EQ(minFilter, GL_LINEAR);
        EXPECT_EQ(magFilter, GL_LINEAR);
        EXPECT_EQ(wrap, GL_REPEAT);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    EXPECT_TRUE(logLines.empty());
}

// Each uploaded level is the 2 x 2 mean of the level before it, even across a skipped level.
TEST_F(Textures, UploadedLevelsAreSuccessiveHalvings) {
    const Bytes straight = randomOpaque(32, 32, 7);
    writeRgbaPng(scratch / "image32.png", 32, 32, straight);
    setResourceDirectory(scratch.string());
    auto halve = [](const Bytes& src, int w) {
        Bytes dst(src.size() / 4);
        const int dw = w / 2;
        for (int y = 0; y < dw; ++y)
            for (int x = 0; x < dw; ++x)
                for (int k = 0; k < 4; ++k) {
                    auto at = [&](int sx, int sy) {
                        return int(src[std::size_t((sy * w + sx) * 4 + k)]);
                    };
                    const int sum = at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                                    at(2 * x + 1, 2 * y + 1);
                    dst[std::size_t((y * dw + x) * 4 + k)] = static_cast<unsigned char>(sum / 4);
                }
        return dst;
    };
    ASSERT_NE(loadTextureFromResource("image32.png", 2, 4), 0u);
    ASSERT_EQ(uploadedLevels(),
              (std::vector<std::pair<int, int>>{{0, 32}, {2, 8}, {3, 4}, {4, 2}}));
    EXPECT_EQ(uploads[0].pixels, straight); // opaque: premultiplying changes nothing
    EXPECT_EQ(uploads[1].pixels, halve(halve(straight, 32), 16));
    EXPECT_EQ(uploads[2].pixels, halve(uploads[1].pixels, 8));
    EXPECT_EQ(uploads[3].pixels, halve(uploads[2].pixels, 4));
}

// One pixel wide or high: the first halving needs more than (w/2)*(h/2)*4 + 4 bytes.
TEST_F(Textures, ThinImagesReduceAlongTheirLength) {
    writeRgbaPng(scratch / "column.png", 1, 16, randomOpaque(1, 16, 3));
    writeRgbaPng(scratch / "row.png", 8, 1, randomOpaque(8, 1, 4));
    writeRgbaPng(scratch / "strip.png", 8, 2, randomOpaque(8, 2, 5));
    setResourceDirectory(scratch.string());
    using Sizes = std::vector<std::pair<int, int>>;
    const struct {
        const char* name;
        Sizes sizes; // (w, h) per uploaded level 0, 1, 2, ...
    } cases[] = {{"column.png", {{1, 16}, {1, 8}, {1, 4}, {1, 2}, {1, 1}}},
                 {"row.png", {{8, 1}, {4, 1}, {2, 1}, {1, 1}}},
                 {"strip.png", {{8, 2}, {4, 1}, {2, 1}, {1, 1}}}};
    for (const auto& c : cases) {
        uploads.clear();
        ASSERT_NE(loadTextureFromResource(c.name, 0, 10), 0u) << c.name;
        Sizes sizes;
        for (std::size_t i = 0; i < uploads.size(); ++i) {
            EXPECT_EQ(uploads[i].level, GLint(i));
            sizes.emplace_back(uploads[i].width, uploads[i].height);
        }
        EXPECT_EQ(sizes, c.sizes) << c.name;
    }
}

// ---- The game's images ----

TEST_F(Textures, AllTwentyOneShippedImagesLoad) {
    GLuint* const names[] = {&bgTexId,         &redBallTexId,    &blueBallTexId,  &greenBallTexId,
                             &yellowBallTexId, &purpleBallTexId, &whiteBallTexId, &orangeBallTexId,
                             &zeroTexId,       &oneTexId,        &twoTexId,       &threeTexId,
                             &fourTexId,       &fiveTexId,       &sixTexId,       &sevenTexId,
                             &eightTexId,      &nineTexId,       &cloudTexId,     &saysTexId,
                             &spotTexId};
    for (GLuint* name : names)
        *name = 0;
    loadTextures();
    std::set<GLuint> distinct;
    for (GLuint* name : names) {
        EXPECT_NE(*name, 0u);
        EXPECT_TRUE(glIsTexture(*name));
        distinct.insert(*name);
    }
    EXPECT_EQ(distinct.size(), 21u);
    EXPECT_TRUE(logLines.empty()) << logLines.front();

    // Level 0 of each in table order: the tile is 32 wide, the rest 64; ten digits get three
    // more levels, the spot two, the others none.
    int levelZeros = 0, digitLevels = 0, spotLevels = 0;
    std::vector<int> firstWidths;
    for (std::size_t i = 0; i < uploads.size(); ++i) {
        if (uploads[i].level == 0) {
            ++levelZeros;
            firstWidths.push_back(uploads[i].width);
        } else if (levelZeros >= 9 && levelZeros <= 18) {
            ++digitLevels;
        } else if (levelZeros == 21) {
            ++spotLevels;
        }
    }
    EXPECT_EQ(levelZeros, 21);
    EXPECT_EQ(digitLevels, 30);
    EXPECT_EQ(spotLevels, 2);
    EXPECT_EQ(std::count(firstWidths.begin(), firstWidths.end(), 64), 20);
    EXPECT_EQ(firstWidths.at(0), 32);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// ---- Resource lookup ----

TEST_F(Textures, ResourceNamesStayInsideTheFolder) {
    std::string why;
    EXPECT_EQ(resourcePath("spot64x64.png", &why), (shipped / "spot64x64.png").string());
    const std::string refused[] = {"",
                                   "..",
                                   "../resources/spot64x64.png",
                                   "sub/spot64x64.png",
                                   "/etc/passwd",
                                   "a\\b.png",
                                   std::string("spot64x64.png\0x", 15)};
    for (const std::string& name : refused) {
        why.clear();
        EXPECT_EQ(resourcePath(name, &why), "") << name;
        EXPECT_FALSE(why.empty()) << name;
    }
    why.clear();
    EXPECT_EQ(resourcePath("nothing-here.png", &why), "");
    EXPECT_NE(why.find(shipped.string()), std::string::npos) << why;
    fs::create_directories(scratch / "folder.png"); // a folder is not a resource file
    setResourceDirectory(scratch.string());
    EXPECT_EQ(resourcePath("folder.png"), "");
}

TEST_F(Textures, EnvironmentVariableChoosesTheFolder) {
    writeRgbaPng(scratch / "only-here.png", 2, 2, randomOpaque(2, 2, 9));
    ASSERT_EQ(setenv("SPHERON_RESOURCES", scratch.c_str(), 1), 0);
    EXPECT_EQ(resourceDirectory(), scratch.string());
    EXPECT_EQ(resourcePath("only-here.png"), (scratch / "only-here.png").string());
    setResourceDirectory(shipped.string()); // the explicit setting wins
    EXPECT_EQ(resourcePath("only-here.png"), "");
    unsetenv("SPHERON_RESOURCES");
    setResourceDirectory("");
    EXPECT_EQ(resourceDirectory(), shipped.string());
}

TEST_F(Textures, MissingOrRefusedNamesGiveZeroAndOneLine) {
    for (const char* name : {"no-such-image.png", "../resources/spot64x64.png", "a/b.png", ""}) {
        logLines.clear();
        EXPECT_EQ(loadTextureFromResource(name, 0, 3), 0u) << name;
        ASSERT_EQ(logLines.size(), 1u) << name;
        EXPECT_NE(logLines[0].find(std::string("\"") + name + "\""), std::string::npos)
            << logLines[0];
    }
    EXPECT_TRUE(uploads.empty());
}

// ---- Damaged files ----

// Built from every shipped PNG: cuts, changed bytes, an enormous header, an empty file, sides
// that are not powers of two. Each gives 0 with one log line, or a texture with no line.
TEST_F(Textures, DamagedFilesGiveZeroWithOneLine) {
    std::vector<std::string> mustFail;
    std::vector<std::string> mayLoad;
    int index = 0;
    for (const auto& entry : fs::directory_iterator(shipped)) {
        if (entry.path().extension() != ".png") continue;
        const Bytes valid = readFile(entry.path());
        ASSERT_GT(valid.size(), 64u);
        const std::string stem = "f" + std::to_string(index++) + "-";
        for (std::size_t n :
             {std::size_t(0), std::size_t(7), std::size_t(8), std::size_t(20), std::size_t(33),
              std::size_t(40), valid.size() / 2, valid.size() - 13, valid.size() - 1}) {
            const std::string name = stem + "cut" + std::to_string(n) + ".png";
            writeFile(scratch / name, Bytes(valid.begin(), valid.begin() + std::ptrdiff_t(n)));
            mustFail.push_back(name);
        }
        for (std::size_t at = 0; at < valid.size(); at += valid.size() / 9 + 1) {
            Bytes bad = valid;
            bad[at] ^= 0x5a;
            const std::string name = stem + "flip" + std::to_string(at) + ".png";
            writeFile(scratch / name, bad);
            mayLoad.push_back(name);
        }
        Bytes huge = valid; // 65536 more each way, with a matching CRC
        huge[17] = huge[21] = 1;
        const std::uint32_t crc = crc32Of(&huge[12], 17);
        for (int i = 0; i < 4; ++i)
            huge[29 + std::size_t(i)] = static_cast<unsigned char>(crc >> (24 - 8 * i));
        writeFile(scratch / (stem + "huge.png"), huge);
        mustFail.push_back(stem + "huge.png");
    }
    writeFile(scratch / "empty.png", {});
    mustFail.push_back("empty.png");
    const std::pair<int, int> npot[] = {{48, 48}, {64, 48}, {3, 64}, {6, 1}};
    for (const auto& [w, h] : npot) {
        const std::string name = "npot" + std::to_string(w) + "x" + std::to_string(h) + ".png";
        writeRgbaPng(scratch / name, w, h, randomOpaque(w, h, 11));
        mustFail.push_back(name);
    }
    setResourceDirectory(scratch.string());

    for (const std::string& name : mustFail) {
        logLines.clear();
        uploads.clear();
        EXPECT_EQ(loadTextureFromResource(name, 1, 3), 0u) << name;
        EXPECT_TRUE(uploads.empty()) << name;
        ASSERT_EQ(logLines.size(), 1u) << name;
        EXPECT_NE(logLines[0].find(name), std::string::npos) << logLines[0];
    }
    for (const std::string& name : mayLoad) {
        logLines.clear();
        uploads.clear();
        const GLuint texture = loadTextureFromResource(name, 1, 3);
        EXPECT_EQ(logLines.size(), texture == 0 ? 1u : 0u) << name;
        EXPECT_EQ(uploads.size(), texture == 0 ? 0u : 4u) << name;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
