// The user-defaults store: defaults against written values, lenient numbers, saves that fail
// cleanly, unusable and hostile files set aside within the bounds, what is no writable file left
// alone, saves kept within the reader's bounds and XML's characters, foreign values and links
// kept, and the only folders it makes.
#include "platform/store/UserDefaults.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <iostream>
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
        {"huge", std::string(1024 * 1024 + 1, ' '), "larger than 1 MiB"}};
    for (const auto& [name, bytes, reason] : files) {
        SCOPED_TRACE(name);
        log.lines.clear();
        writeFile(path, bytes);
        const auto start = std::chrono::steady_clock::now();
        UserDefaults store(path);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, std::chrono::milliseconds(500));
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_NE(log.lines[0].find(reason), std::string::npos) << log.lines[0];
        EXPECT_NE(log.lines[0].find(path + ".corrupt-1"), std::string::npos) << log.lines[0];
        EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
        EXPECT_EQ(readFile(path + ".corrupt-1"), bytes);
        store.setObject(std::string("5"), "highScore");
        ASSERT_TRUE(store.synchronize());
        EXPECT_EQ(UserDefaults(path).unsignedForKey("highScore"), 5u);
        fs::remove_all(path + ".corrupt-1");
        fs::remove(path);
    }
}

// What is there as it was: its type, device numbers, permissions and bytes, and what the folder
// holds beside it.
std::string snapshot(const fs::path& folder, const fs::path& thing) {
    struct stat info {};
    std::string shown = ::stat(thing.c_str(), &info) == 0
                            ? std::to_string(info.st_mode) + " " + std::to_string(info.st_rdev)
                            : "none";
    if (S_ISREG(info.st_mode)) shown += " " + readFile(thing);
    for (const auto& entry : fs::directory_iterator(folder))
        shown += " " + entry.path().filename().string();
    return shown;
}

// Only a writable regular file is ever replaced: a folder, a FIFO, a socket or a device behind
// the path, itself or through a link, is never opened, locked, set aside or replaced, and a
// read-only file is read but kept; each says so once, and every save fails.
TEST_F(UserDefaultsTest, WhatIsNotAWritableFileIsLeftExactlyAsItIs) {
    const fs::path thing = dir / "thing";
    const std::vector<std::pair<const char*, std::function<bool()>>> kinds = {
        {"folder", [&] { return fs::create_directory(thing); }},
        {"FIFO", [&] { return mkfifo(thing.c_str(), 0600) == 0; }},
        {"socket",
         [&] {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             std::snprintf(address.sun_path, sizeof address.sun_path, "%s", thing.c_str());
             const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
             const bool bound =
                 bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
             close(fd);
             return bound;
         }},
        {"device", [&] { return mknod(thing.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; }},
        {"read-only file", [&] {
             writeFile(thing, dictXml("<key>highScore</key><string>9</string>"));
             return chmod(thing.c_str(), 0444) == 0;
         }}};
    for (const auto& [kind, make] : kinds) {
        for (const bool linked : {false, true}) {
            SCOPED_TRACE(std::string(kind) + (linked ? " behind a link" : ""));
            if (!make()) {
                ASSERT_EQ(kind, std::string("device")) << std::strerror(errno);
                std::cout << "[  SKIPPED ] a device behind the store: mknod needs root\n";
                break;
            }
            const std::string store = linked ? path : thing.string();
            if (linked) fs::create_symlink(thing, path);
            const std::string before = snapshot(dir.path, thing);
            log.lines.clear();
            UserDefaults defaults(store);
            defaults.setObject(std::string("5"), "highScore");
            EXPECT_FALSE(defaults.synchronize());
            EXPECT_FALSE(defaults.update([](PropertyList::Dictionary&) { return true; }));
            EXPECT_EQ(defaults.failedSaves(), 2);
            EXPECT_EQ(snapshot(dir.path, thing), before);
            ASSERT_EQ(log.lines.size(), 1u);
            EXPECT_NE(log.lines[0].find("will not be kept"), std::string::npos) << log.lines[0];
            if (kind == std::string("read-only file")) {
                EXPECT_EQ(UserDefaults(store).stringForKey("highScore"), "9");
            }
            fs::remove(path);
            fs::remove(thing);
        }
    }
}

// A save that would make a file the reader refuses writes the player's own keys to a fresh file
// and keeps the old one whole aside, so the record stays live and the next read takes it.
TEST_F(UserDefaultsTest, ASaveBeyondTheBoundsStartsAFreshFileWithTheOwnKeys) {
    PropertyList five;
    five.type = PropertyList::Type::Array;
    five.array.resize(5, PropertyList::makeInteger(1));
    const std::vector<std::tuple<const char*, std::string, PropertyList>> cases = {
        // plist, dict, two keys with their values and 19,989 more: 19,995 elements.
        {"values", "<key>foreign</key><array>" + repeated("<true/>", 19989) + "</array>", five},
        {"size", "<key>foreign</key><string>" + std::string(1040000, 'x') + "</string>",
         PropertyList::makeString(std::string(10000, 't'))}};
    for (const auto& [name, foreign, table] : cases) {
        SCOPED_TRACE(name);
        log.lines.clear();
        const std::string file = dictXml("<key>gameType</key><integer>2</integer>" + foreign);
        writeFile(path, file);
        UserDefaults store(path);
        store.addOwnKeys({"gameType", "highScore", "table"});
        ASSERT_EQ(store.stringForKey("gameType"), "2"); // read, not set aside
        ASSERT_TRUE(store.update([&table = table](PropertyList::Dictionary& stored) {
            stored["highScore"] = PropertyList::makeString("70");
            stored["table"] = table;
            return true;
        }));
        EXPECT_TRUE(readFile(path + ".corrupt-1") == file);
        UserDefaults reread(path);
        EXPECT_EQ(reread.stringForKey("gameType"), "2");
        EXPECT_EQ(reread.stringForKey("highScore"), "70");
        EXPECT_TRUE(readFile(path).find("<key>table</key>") != std::string::npos);
        EXPECT_TRUE(readFile(path).find("foreign") == std::string::npos);
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_NE(log.lines[0].find("beyond what the game reads"), std::string::npos);
        fs::remove(path + ".corrupt-1");
    }
}

// Text that XML cannot hold, in a foreign value or key, is written as U+FFFD once the file as it
// was is kept aside.
TEST_F(UserDefaultsTest, TextXmlCannotHoldIsReplacedAfterTheFileIsKeptAside) {
    const std::string file =
        dictXml("<key>title</key><string>\x1b]0;owned\x07 caf\xc3\xa9 \xff\tend</string>"
                "<key>k\x01</key><string>v</string>");
    writeFile(path, file);
    UserDefaults store(path);
    ASSERT_EQ(store.stringForKey("k\x01"), "v");
    store.setObject(std::string("3"), "gameType");
    ASSERT_TRUE(store.synchronize());
    const std::string written = readFile(path);
    EXPECT_NE(written.find("\xef\xbf\xbd]0;owned\xef\xbf\xbd caf\xc3\xa9 \xef\xbf\xbd\tend"),
              std::string::npos)
        << written;
    EXPECT_NE(written.find("<key>k\xef\xbf\xbd</key>"), std::string::npos);
    EXPECT_EQ(readFile(path + ".corrupt-1"), file);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("U+FFFD"), std::string::npos);
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

// What the store and the command line hold reaches a log line or an error escaped and cut to 80
// characters, an escape or a UTF-8 character never split.
TEST(ShownValue, EscapesAndCutsWithoutSplittingACharacter) {
    const std::string e = "\xc3\xa9";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\x1b[31m5", "\\x1b[31m5"},
        {"900x900\n", "900x900\\n"},
        {"\xff\xc2\x9b", "\\xff\\u009b"},
        {std::string(80, '7'), std::string(80, '7')},
        {std::string(100000, '7'), std::string(80, '7') + "\u2026"},
        {repeated(e, 81), repeated(e, 80) + "\u2026"},
        {std::string(79, 'a') + "\x01", std::string(79, 'a') + "\\x01"}, // nothing cut
        {std::string(79, 'a') + "\x01" "b", std::string(79, 'a') + "\\x01\u2026"},
        {std::string(30, '\x01'), repeated("\\x01", 20) + "\u2026"}};
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(shownValue(text), shown) << text.substr(0, 20);
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
