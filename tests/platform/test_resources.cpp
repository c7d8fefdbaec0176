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

} // namespace
