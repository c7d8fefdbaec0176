// The user-defaults store: registered defaults against written values, persistence across
// instances, atomic saves that fail cleanly, damaged stores set aside, unsigned reads.
#include "platform/store/UserDefaults.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <limits>
#include <string>
#include <vector>

#include "support/Harness.h"

namespace {

std::vector<std::string> folderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class UserDefaultsTest : public ::testing::Test {
protected:
    ScratchDir dir;
    const std::string path = (dir / "preferences.plist").string();
    LogCapture log;
};

TEST_F(UserDefaultsTest, RegisteredDefaultsAnswerUntilWrittenAndAreNotSaved) {
    UserDefaults store(path);
    EXPECT_FALSE(store.stringForKey("name"));
    EXPECT_EQ(store.integerForKey("count"), 0);
    EXPECT_EQ(store.unsignedForKey("count"), 0u);

    store.registerDefaults(
        {{"name", PropertyList::makeString("ann")}, {"count", PropertyList::makeInteger(7)}});
    EXPECT_EQ(store.stringForKey("name"), "ann");
    EXPECT_EQ(store.stringForKey("count"), "7"); // an integer answers as its decimal text
    EXPECT_EQ(store.integerForKey("count"), 7);

    store.setObject(std::string("bob"), "name");
    EXPECT_EQ(store.stringForKey("name"), "bob");
    // Registering again does not hide a written value.
    store.registerDefaults({{"name", PropertyList::makeString("cy")}});
    EXPECT_EQ(store.stringForKey("name"), "bob");
    ASSERT_TRUE(store.synchronize());

    UserDefaults reopened(path);
    EXPECT_EQ(reopened.stringForKey("name"), "bob");
    EXPECT_FALSE(reopened.stringForKey("count")); // defaults are never written
    EXPECT_EQ(reopened.integerForKey("count"), 0);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(UserDefaultsTest, IntegersAndStringsConvertLikeThePhone) {
    UserDefaults store(path);
    store.setObject(std::string("42"), "a");
    store.setObject(std::string("  -17 apples"), "b");
    store.setObject(std::string("abc"), "c");
    store.setObject(std::string("99999999999999999999999"), "d");
    store.setObject(std::int64_t{-3}, "e");
    EXPECT_EQ(store.integerForKey("a"), 42);
    EXPECT_EQ(store.integerForKey("b"), -17);
    EXPECT_EQ(store.integerForKey("c"), 0);
    EXPECT_EQ(store.integerForKey("d"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(store.stringForKey("e"), "-3");
}

TEST_F(UserDefaultsTest, SavedFileIsAnXmlPropertyListInANewFolder) {
    const fs::path nested = dir / "config" / "spheron" / "preferences.plist";
    UserDefaults store(nested.string());
    store.setObject(std::string("true"), "sfxState");
    store.setObject(std::int64_t{3}, "gameType");
    ASSERT_TRUE(store.synchronize());

    const std::string xml = readFile(nested);
    EXPECT_EQ(xml.rfind("<?xml", 0), 0u);
    EXPECT_NE(xml.find("<key>sfxState</key>"), std::string::npos);
    EXPECT_NE(xml.find("<string>true</string>"), std::string::npos);
    EXPECT_NE(xml.find("<integer>3</integer>"), std::string::npos);
    // Only the store and its lock file are left in the folder: no temporary file.
    EXPECT_EQ(folderEntries(nested.parent_path()),
              (std::vector<std::string>{"preferences.plist", "preferences.plist.lock"}));
}

TEST_F(UserDefaultsTest, AnotherWritersKeysSurviveASave) {
    UserDefaults game(path);
    UserDefaults tool(path);
    tool.setObject(std::int64_t{4}, "gameType");
    ASSERT_TRUE(tool.synchronize());
    game.setObject(std::string("120"), "highScore");
    ASSERT_TRUE(game.synchronize());

    UserDefaults reopened(path);
    EXPECT_EQ(reopened.integerForKey("gameType"), 4);
    EXPECT_EQ(reopened.stringForKey("highScore"), "120");
}

TEST_F(UserDefaultsTest, AFailedWriteKeepsTheOldFileAndTheValues) {
    {
        UserDefaults store(path);
        store.setObject(std::string("old"), "name");
        ASSERT_TRUE(store.synchronize());
    }
    const std::string before = readFile(path);

    // A disk that fills up mid-write: the file-size limit stops the temporary file (root
    // ignores folder permissions, this limit it does not).
    UserDefaults store(path);
    store.setObject(std::string(8192, 'x'), "name");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved1 = store.synchronize();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved1);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find(path), std::string::npos);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(folderEntries(dir.path),
              (std::vector<std::string>{"preferences.plist", "preferences.plist.lock"}));
    EXPECT_EQ(store.stringForKey("name"), std::string(8192, 'x'));
    // The value is still pending: the next save writes it.
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(UserDefaults(path).stringForKey("name"), std::string(8192, 'x'));

    if (geteuid() != 0) {
        log.lines.clear();
        store.setObject(std::string("new"), "name");
        const std::string last = readFile(path);
        fs::permissions(dir.path,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        EXPECT_FALSE(store.synchronize());
        fs::permissions(dir.path, fs::perms::owner_write, fs::perm_options::add);
        EXPECT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(readFile(path), last);
        EXPECT_EQ(store.stringForKey("name"), "new");
    }
}

TEST_F(UserDefaultsTest, ADamagedStoreIsSetAsideAndDefaultsAnswer) {
    writeFile(path, "<?xml version=\"1.0\"?><plist><dict><key>highScore</key>");
    {
        UserDefaults store(path);
        store.registerDefaults({{"sfxState", PropertyList::makeString("true")}});
        EXPECT_EQ(store.stringForKey("sfxState"), "true");
        EXPECT_FALSE(store.stringForKey("highScore"));
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_NE(log.lines[0].find("preferences.plist.corrupt-1"), std::string::npos);
        store.setObject(std::string("5"), "highScore");
        ASSERT_TRUE(store.synchronize());
    }
    EXPECT_EQ(readFile(dir / "preferences.plist.corrupt-1"),
              "<?xml version=\"1.0\"?><plist><dict><key>highScore</key>");
    EXPECT_EQ(UserDefaults(path).unsignedForKey("highScore"), 5u);

    // A second damaged store (valid, but not a dictionary) does not replace the first.
    writeFile(path, "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>");
    log.lines.clear();
    UserDefaults again(path);
    EXPECT_EQ(log.lines.size(), 1u);
    EXPECT_FALSE(again.stringForKey("highScore"));
    EXPECT_TRUE(fs::exists(dir / "preferences.plist.corrupt-1"));
    EXPECT_TRUE(fs::exists(dir / "preferences.plist.corrupt-2"));
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(UserDefaultsTest, AStoreThatCannotBeReadIsNeverOverwritten) {
    fs::create_directory(path); // something in the way that is not a file
    UserDefaults store(path);
    EXPECT_EQ(log.lines.size(), 1u);
    store.setObject(std::string("x"), "name");
    EXPECT_FALSE(store.synchronize());
    EXPECT_EQ(log.lines.size(), 2u);
    EXPECT_TRUE(fs::is_directory(path));
}

TEST_F(UserDefaultsTest, UnsignedReadsKeepTheFullRangeAndRefuseTheRest) {
    {
        UserDefaults store(path);
        store.setObject(std::string("4294967295"), "asText");
        store.setObject(std::int64_t{4294967295}, "asInteger");
        ASSERT_TRUE(store.synchronize());
    }
    UserDefaults reopened(path);
    EXPECT_EQ(reopened.unsignedForKey("asText"), 4294967295u);
    EXPECT_EQ(reopened.unsignedForKey("asInteger"), 4294967295u);
    EXPECT_TRUE(log.lines.empty());

    const std::vector<std::string> bad = {"-5", "abc", "99999999999", "4294967296", "", "12x"};
    for (const std::string& text : bad) {
        log.lines.clear();
        reopened.setObject(text, "bad");
        EXPECT_EQ(reopened.unsignedForKey("bad"), 0u) << text;
        EXPECT_EQ(log.lines.size(), 1u) << text;
    }
    for (std::int64_t number : {std::int64_t{-5}, std::int64_t{4294967296}}) {
        log.lines.clear();
        reopened.setObject(number, "bad");
        EXPECT_EQ(reopened.unsignedForKey("bad"), 0u) << number;
        EXPECT_EQ(log.lines.size(), 1u) << number;
    }
}

TEST(DefaultPath, FollowsTheOverrideThenTheConfigFolder) {
    EnvVar file("SPHERON_PREFERENCES", nullptr), config("XDG_CONFIG_HOME", "/somewhere/config"),
        home("HOME", "/home/player");
    EXPECT_EQ(UserDefaults::defaultPath(), "/somewhere/config/spheron/preferences.plist");
    config.set("relative"); // not absolute: ignored
    EXPECT_EQ(UserDefaults::defaultPath(), "/home/player/.config/spheron/preferences.plist");
    file.set("/tmp/p.plist");
    EXPECT_EQ(UserDefaults::defaultPath(), "/tmp/p.plist");
}

} // namespace
