// Where the program looks for its resources: the build tree's copy kept equal to the source
// folder, the environment's choice, and names that would leave the folder. (An installed tree is
// found by the installed game itself in the install check.)
#include "platform/media/Resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/Harness.h"

namespace {

std::vector<std::string> filesBelow(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BuildTreeResources, TheSuitesFindTheCopyAndItEqualsTheSourceFolder) {
    EnvVar env("SPHERON_RESOURCES", nullptr);
    setResourceDirectory("");
    const fs::path found = resourceDirectory();
    EXPECT_EQ(found.filename(), "resources");
    EXPECT_TRUE(fs::is_regular_file(found / "Settings.bundle" / "Root.plist")) << found;
    EXPECT_NE(fs::canonical(found), fs::canonical(SPHERON_TEST_SOURCE_RESOURCES))
        << "the program must not read the source tree";

    const std::vector<std::string> source = filesBelow(SPHERON_TEST_SOURCE_RESOURCES);
    ASSERT_EQ(filesBelow(found), source);
    for (const std::string& name : source)
        EXPECT_EQ(readFile(found / name), readFile(fs::path(SPHERON_TEST_SOURCE_RESOURCES) / name))
            << name << " differs from the source: the copy is stale";
}

TEST(ResourceNames, StayInsideTheFolderAndTheEnvironmentChoosesItUnlessOneIsSet) {
    const std::string shipped = resourceDirectory();
    std::string why;
    EXPECT_EQ(resourcePath("spot64x64.png", &why), shipped + "/spot64x64.png");
    for (const std::string name : {"", "..", "../resources/spot64x64.png", "sub/x.png",
                                   "/etc/passwd", "a\\b.png", "nothing.png"}) {
        why.clear();
        EXPECT_EQ(resourcePath(name, &why), "") << name;
        EXPECT_FALSE(why.empty()) << name;
    }
    EXPECT_NE(why.find(shipped), std::string::npos) << why; // a missing file: where it looked
    EXPECT_EQ(resourcePath(std::string("spot64x64.png\0x", 15)), "");

    ScratchDir scratch;
    fs::create_directories(scratch / "folder.png"); // a folder is not a resource file
    writeFile(scratch / "only-here.png", "x");
    EnvVar env("SPHERON_RESOURCES", scratch.path.c_str());
    EXPECT_EQ(resourcePath("only-here.png"), (scratch / "only-here.png").string());
    EXPECT_EQ(resourcePath("folder.png"), "");
    setResourceDirectory(shipped);
    EXPECT_EQ(resourcePath("only-here.png"), "");
    setResourceDirectory("");
}

// The drawing scale picks the smallest image at least as fine, else the next smaller one there is.
TEST(ResourceNames, ScaledImagesFallBackToTheNextSmallerOne) {
    ScratchDir scratch;
    for (const char* name : {"a.png", "a@2x.png", "a@3x.png", "b.png", "b@2x.png", "c.png",
                             "c@3x.png"})
        writeFile(scratch / name, "x");
    setResourceDirectory(scratch.path.string());
    const struct {
        float scale;
        int a, b, c; // the scale of the image chosen for a (all there), b (no 3x), c (no 2x)
    } cases[] = {{1.0f, 1, 1, 1}, {1.5f, 2, 2, 1}, {2.0f, 2, 2, 1},
                 {2.5f, 3, 2, 3}, {3.0f, 3, 2, 3}, {4.0f, 3, 2, 3}};
    for (const auto& c : cases) {
        const int want[] = {c.a, c.b, c.c};
        for (int i = 0; i < 3; ++i) {
            const std::string stem(1, char('a' + i));
            int got = 0;
            const std::string path = scaledResourcePath(stem + ".png", c.scale, &got);
            const std::string suffix = want[i] == 1 ? "" : "@" + std::to_string(want[i]) + "x";
            EXPECT_EQ(path, (scratch / (stem + suffix + ".png")).string()) << c.scale;
            EXPECT_EQ(got, want[i]) << stem << " at " << c.scale;
        }
    }
    std::string why;
    EXPECT_EQ(scaledResourcePath("d.png", 3.0f, nullptr, &why), ""); // not even the 1x image
    EXPECT_NE(why.find("no such file"), std::string::npos) << why;
    setResourceDirectory("");
}

} // namespace
