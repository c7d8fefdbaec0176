// Texture loading on a real OpenGL ES 1.1 context: which levels are uploaded and their pixels
// against a box filter written here, the 21 shipped images, and bad files that give name 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "render/Textures.h"
#include "support/GLTest.h"
#include "support/PngFiles.h"

namespace {

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

using Sizes = std::vector<std::array<int, 3>>; // level, width, height of each upload in order
Sizes uploadedLevels() {
    Sizes levels;
    for (const Upload& u : uploads)
        levels.push_back({u.level, u.width, u.height});
    return levels;
}

// The 2 x 2 means of an image of w x w, remainders dropped: written here, not taken from the code.
Bytes halve(const Bytes& src, int w) {
    const int dw = w / 2;
    Bytes dst(std::size_t(dw) * dw * 4);
    auto at = [&](int x, int y, int k) { return int(src[std::size_t((y * w + x) * 4 + k)]); };
    for (int y = 0; y < dw; ++y)
        for (int x = 0; x < dw; ++x)
            for (int k = 0; k < 4; ++k)
                dst[std::size_t((y * dw + x) * 4 + k)] = static_cast<unsigned char>(
                    (at(2 * x, 2 * y, k) + at(2 * x + 1, 2 * y, k) + at(2 * x, 2 * y + 1, k) +
                     at(2 * x + 1, 2 * y + 1, k)) /
                    4);
    return dst;
}

bool anySizeTextures() {
    return std::string(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)))
               .find("GL_OES_texture_npot") != std::string::npos;
}

class Textures : public GLTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GLTest::SetUp());
        shipped = resourceDirectory();
        uploads.clear();
        setTexImage2DHook(recordUpload);
    }
    void TearDown() override {
        setTexImage2DHook(nullptr);
        setResourceDirectory("");
        GLTest::TearDown();
    }
    // Loads `name` from the scratch folder, expecting failure: name 0, no upload, one line.
    void expectRefused(const std::string& name) {
        log.lines.clear();
        uploads.clear();
        EXPECT_EQ(loadTextureFromResource(name, 1, 3), 0u) << name;
        EXPECT_TRUE(uploads.empty()) << name;
        ASSERT_EQ(log.lines.size(), 1u) << name;
        EXPECT_NE(log.lines[0].find(name + "\""), std::string::npos) << log.lines[0]; // named
    }

    fs::path shipped; // the real resources
    ScratchDir scratch;
    LogCapture log;
};

// Level 0 always; of the halvings those numbered start ... stop, each the 2 x 2 mean of the one
// before, also across a skipped level.
TEST_F(Textures, LevelChainsUploadTheRequestedHalvings) {
    const Bytes straight = randomOpaque(64, 64, 1);
    writeRgbaPng(scratch / "image64.png", 64, 64, straight);
    setResourceDirectory(scratch.path.string());
    const struct {
        int start, stop;
        Sizes levels;
    } cases[] = {
        {1, 3, {{0, 64, 64}, {1, 32, 32}, {2, 16, 16}, {3, 8, 8}}},
        {2, 3, {{0, 64, 64}, {2, 16, 16}, {3, 8, 8}}},
        {0, 0, {{0, 64, 64}}},
        {0,
         99,
         {{0, 64, 64}, {1, 32, 32}, {2, 16, 16}, {3, 8, 8}, {4, 4, 4}, {5, 2, 2}, {6, 1, 1}}}};
    for (const auto& c : cases) {
        uploads.clear();
        const GLuint name = loadTextureFromResource("image64.png", c.start, c.stop);
        ASSERT_NE(name, 0u);
        EXPECT_EQ(uploadedLevels(), c.levels) << c.start << "-" << c.stop;
        EXPECT_TRUE(glIsTexture(name));
        EXPECT_EQ(glInt(GL_TEXTURE_BINDING_2D), GLint(name));
        GLint wrap = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        EXPECT_EQ(wrap, GL_REPEAT);
    }
    // The pixels of the 2 ... 3 chain.
    EXPECT_EQ(uploads[0].pixels, straight); // opaque: premultiplying changes nothing
    uploads.clear();
    loadTextureFromResource("image64.png", 2, 3);
    ASSERT_EQ(uploads.size(), 3u);
    EXPECT_EQ(uploads[1].pixels, halve(halve(straight, 64), 32));
    EXPECT_EQ(uploads[2].pixels, halve(uploads[1].pixels, 16));
    EXPECT_TRUE(log.lines.empty());
}

// Level 0 of each in table order and no other, since none is sampled: the tile is 32 wide, the
// rest 64 (at scale 3, three times as wide).
TEST_F(Textures, AllTwentyOneShippedImagesLoadAsOneLevelEach) {
    GLuint* const names[] = {&bgTexId,         &redBallTexId,    &blueBallTexId,  &greenBallTexId,
                             &yellowBallTexId, &purpleBallTexId, &whiteBallTexId, &orangeBallTexId,
                             &zeroTexId,       &oneTexId,        &twoTexId,       &threeTexId,
                             &fourTexId,       &fiveTexId,       &sixTexId,       &sevenTexId,
                             &eightTexId,      &nineTexId,       &cloudTexId,     &saysTexId,
                             &spotTexId};
    for (GLuint* name : names)
        *name = 0;
    loadTextures(3.0f); // the 3x images, or the 2x ones in a context without other sides
    const int k = anySizeTextures() ? 3 : 2;
    EXPECT_EQ(uploads.at(0).width, 32 * k);
    EXPECT_EQ(uploads.at(1).width, 64 * k);
    deleteTextures();
    EXPECT_EQ(redBallTexId, 0u);
    uploads.clear();
    loadTextures();
    std::set<GLuint> distinct;
    for (GLuint* name : names)
        if (glIsTexture(*name)) distinct.insert(*name);
    EXPECT_EQ(distinct.size(), 21u);
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
    std::vector<int> levels, widths; // levels above 0 per image, width of level 0
    for (const Upload& u : uploads) {
        if (u.level == 0)
            widths.push_back(u.width), levels.push_back(0);
        else
            ++levels.back();
    }
    EXPECT_EQ(levels, std::vector<int>(21, 0));
    EXPECT_EQ(std::count(widths.begin(), widths.end(), 64), 20);
    EXPECT_EQ(widths.at(0), 32);
}

// ---- Bad files: the decoder's own suite runs the full corpus of damage, every cut included ----

TEST_F(Textures, ABadFileIsRefusedWithOneLogLineBeforeAnyUpload) {
    const Bytes valid = readFile<Bytes>(shipped / "spot64x64.png");
    ASSERT_GT(valid.size(), 64u);
    // Empty, not an image, and headers over our limit and over libpng's, refused before the
    // pixels are allocated (AddressSanitizer would report a 16 EB request).
    std::vector<std::string> names = {"empty.png", "text.png", "huge.png", "enormous.png"};
    writeFile(scratch / "empty.png", Bytes());
    writeFile(scratch / "text.png", std::string("this is not an image\n"));
    writeFile(scratch / "huge.png", withClaimedSize(valid, 65600, 65600));
    writeFile(scratch / "enormous.png", withClaimedSize(valid, 2000000000, 2000000000));
    // Other sides than powers of two load only where the context takes them.
    const bool anySize = anySizeTextures();
    const std::pair<int, int> npot[] = {{48, 48}, {64, 48}, {3, 64}, {6, 1}};
    for (const auto& [w, h] : npot) {
        const std::string name = "npot" + std::to_string(w) + "x" + std::to_string(h) + ".png";
        writeRgbaPng(scratch / name, w, h, randomOpaque(w, h, 11));
        if (!anySize) names.push_back(name);
    }
    setResourceDirectory(scratch.path.string());
    for (const std::string& name : names)
        expectRefused(name);
    if (anySize) {
        EXPECT_NE(loadTextureFromResource("npot3x64.png", 1, 3), 0u);
    }
}

} // namespace
