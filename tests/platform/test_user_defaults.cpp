// The user-defaults store: defaults against written values, lenient numbers, saves that fail
// cleanly, unusable and hostile files set aside within the bounds, foreign values and links kept,
// and the only folders it makes.
#include "platform/store/UserDefaults.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "support/Harness.h"

namespace {

std::string repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

const std::string kHead = "<?xml version=\"1.0\"?><plist version=\"1.0\">"; // no end: torn

using UserDefaultsTest = StoreTest;

TEST_F(UserDefaultsTest, DefaultsAnswerUntilWrittenAndNumbersReadLeniently) {
    writeFile(path, dictXml("<key>r</key><real>5000.5</real><key>big</key><integer>4294967295"
                            "</integer>"));
    UserDefaults store(path);
    store.registerDefaults(
        {{"d", PropertyList::makeInteger(7)}, {"i", PropertyList::makeInteger(7)}});
    EXPECT_EQ(store.stringForKey("d"), "7"); // a number answers as its decimal text
    EXPECT_EQ(store.stringForKey("r"), "5000.5");
    const std::vector<std::pair<std::string, std::int64_t>> integers = {
        {"42", 42}, {"  -17 apples", -17}, {"abc", 0}, {"99999999999999999999", INT64_MAX}};
    for (const auto& [text, number] : integers) {
        store.setObject(text, "i"); // hides the default
        EXPECT_EQ(store.integerForKey("i"), number) << text;
    }
    // Unsigned: leading digits after blanks and a '+', a real truncated; else 0 and one line.
    const std::vector<std::pair<std::string, std::uint32_t>> unsignedTexts = {
        {"5000abc", 5000}, {"+5000", 5000}, {" 7 ", 7}, {"4294967295", 4294967295u},
        {"abc", 0},        {"-5", 0},       {"", 0},    {"4294967296", 0}};
    EXPECT_EQ(store.unsignedForKey("r"), 5000u);
    EXPECT_EQ(store.unsignedForKey("big"), 4294967295u);
    EXPECT_TRUE(log.lines.empty());
    for (const auto& [text, number] : unsignedTexts) {
        log.lines.clear();
        store.setObject(text, "u");
        EXPECT_EQ(store.unsignedForKey("u"), number) << text;
        EXPECT_EQ(log.lines.size(), number == 0 ? 1u : 0u) << text;
    }
    ASSERT_TRUE(store.synchronize());
    EXPECT_FALSE(UserDefaults(path).stringForKey("d")); // defaults are never written
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
    const rlimit small{1024, saved.rlim_max};
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved1 = store.synchronize();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved1);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find(path), std::string::npos);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 2); // the store and its lock
    // The value is still pending: the next save writes it.
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(UserDefaults(path).stringForKey("name"), std::string(8192, 'x'));
}

// Each file costs the reader at most the bounds, is set aside whole, and the store goes on. (The
// hostile binary files, deep, shared and self-holding, are the end-to-end run's, with the game.)
TEST_F(UserDefaultsTest, UnusableAndHostileFilesAreSetAsideWithinTheBounds) {
    const std::vector<std::tuple<const char*, std::string, const char*>> files = {
        {"bad trailer", "bplist00" + std::string(40, '\0'), "damaged binary"},
        {"XML 200 deep", kHead + repeated("<array>", 200), "deeper than 128"},
        {"XML wide", kHead + "<array>" + repeated("<true/>", 20001), "more than 20000 values"},
        {"torn", kHead + "<dict><key>k</key>", "not a property list"},
        {"an array", plistXml("<array/>"), "no dictionary"},
        {"huge", std::string(1024 * 1024 + 1, ' '), "larger than 1 MiB"},
        {"FIFO", "", "FIFO"},
        {"folder", "", "a folder"}};
    for (const auto& [name, bytes, reason] : files) {
        SCOPED_TRACE(name);
        log.lines.clear();
        if (name == std::string("FIFO"))
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        else if (name == std::string("folder"))
            fs::create_directory(path);
        else
            writeFile(path, bytes);
        const auto start = std::chrono::steady_clock::now();
        UserDefaults store(path);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, std::chrono::milliseconds(500));
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_NE(log.lines[0].find(reason), std::string::npos) << log.lines[0];
        EXPECT_NE(log.lines[0].find(path + ".corrupt-1"), std::string::npos) << log.lines[0];
        EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
        EXPECT_TRUE(bytes.empty() || readFile(path + ".corrupt-1") == bytes);
        store.setObject(std::string("5"), "highScore");
        ASSERT_TRUE(store.synchronize());
        EXPECT_EQ(UserDefaults(path).unsignedForKey("highScore"), 5u);
        fs::remove_all(path + ".corrupt-1");
        fs::remove(path);
    }
}

TEST_F(UserDefaultsTest, AStoreThatCannotBeReadIsNeverOverwritten) {
    fs::create_symlink("preferences.plist", path); // a link to itself: no file can be read
    UserDefaults store(path);
    store.setObject(std::string("x"), "name");
    EXPECT_FALSE(store.synchronize());
    EXPECT_FALSE(store.synchronize());
    EXPECT_EQ(log.lines.size(), 1u); // said once
    EXPECT_EQ(fs::read_symlink(path), "preferences.plist");
}

// Dates, data, reals and nesting deeper than 32 survive a save; a link stays a link.
TEST_F(UserDefaultsTest, WhatIsNotOursSurvivesEverySaveAndALinkStaysALink) {
    const std::string foreign = "<key>d</key><date>2024-02-29T12:34:56Z</date>"
                                "<key>data</key><data>AAEC/w==</data><key>r</key><real>0.25</real>"
                                "<key>deep</key>" +
                                repeated("<array>", 40) + "<integer>-3</integer>" +
                                repeated("</array>", 40);
    const std::string target = (dir / "kept" / "real.plist").string();
    fs::create_directory(dir / "kept");
    writeFile(target, dictXml(foreign));
    fs::create_symlink("kept/real.plist", path);
    UserDefaults store(path);
    store.setObject(std::string("7"), "highScore");
    ASSERT_TRUE(store.synchronize());
    EXPECT_TRUE(fs::is_symlink(path));
    std::string written = readFile(target);
    std::erase_if(written, [](char c) { return c == '\n' || c == '\t'; });
    for (const char* part : {"<date>2024-02-29T12:34:56Z</date>", "<data>AAEC/w==</data>",
                             "<real>0.25</real>", "<integer>-3</integer>", "<string>7</string>"})
        EXPECT_NE(written.find(part), std::string::npos) << part << " in " << written;
    EXPECT_NE(written.find(repeated("<array>", 40) + "<integer>"), std::string::npos);
    EXPECT_TRUE(log.lines.empty());
}

// Only the store's folder and the one holding it are made, and only under a folder that exists;
// a store that cannot be kept says so once and the values stay in memory.
TEST_F(UserDefaultsTest, TheStoreMakesOnlyItsOwnFolders) {
    const fs::path made = dir / "config" / "spheron" / "preferences.plist";
    const fs::path refused = dir / "home" / ".config" / "spheron" / "preferences.plist";
    UserDefaults kept(made.string()), lost(refused.string());
    kept.setObject(std::int64_t{3}, "gameType");
    lost.setObject(std::int64_t{3}, "gameType");
    ASSERT_TRUE(kept.synchronize());
    EXPECT_NE(readFile(made).find("<integer>3</integer>"), std::string::npos);
    EXPECT_FALSE(lost.synchronize());
    EXPECT_FALSE(lost.synchronize());
    EXPECT_FALSE(fs::exists(dir / "home"));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("will not be kept"), std::string::npos);
    EXPECT_EQ(lost.integerForKey("gameType"), 3);
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
