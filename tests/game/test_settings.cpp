// The game's preferences: an unusable settings file, the best score merged at every save, and the
// command-line settings screen. What the delegate seeds and reads is tested with the delegate.
#include "desktop/record/Settings.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/Harness.h"

namespace {

class SettingsTest : public StoreTest {
protected:
    std::string writeSettings(const std::string& xml) {
        writeFile(dir / "Root.plist", xml);
        return (dir / "Root.plist").string();
    }
    // Runs `spheron --settings args` on the store; the exit status.
    int settings(const std::vector<std::string>& args, std::string* out = nullptr,
                 std::string* err = nullptr) {
        std::ostringstream o, e;
        UserDefaults store(path);
        const int status = settingsCommand(args, store, settingsFilePath(), o, e);
        if (out) *out = o.str();
        if (err) *err = e.str();
        return status;
    }
};

// A settings file that cannot be used gives one line and no defaults. (What a usable one seeds at
// the first launch is the delegate suite's; the shipped file's values show in the listing below.)
TEST_F(SettingsTest, AnUnusableSettingsFileGivesOneLineAndNoDefaults) {
    for (const std::string& broken : {(dir / "none.plist").string(), writeSettings(dictXml(""))}) {
        log.lines.clear();
        UserDefaults store(path);
        createDefaultPreferences(store, broken);
        EXPECT_FALSE(store.stringForKey(kSfxState)) << broken;
        EXPECT_EQ(log.lines.size(), 1u) << broken;
    }
    EXPECT_FALSE(fs::exists(path));
}

// The stored best score as it is, the score of a game, and what the file then holds. (The store's
// own suite reads the lenient numbers; the end-to-end run has the game keep them.)
TEST_F(SettingsTest, TheBestScoreIsMergedAndNeverDestroyed) {
    const std::vector<std::tuple<std::string, unsigned, std::string, bool>> cases = {
        {"<real>5000.5</real>", 0, "5000", false},
        {"<string>+5000</string>", 6000, "6000", false},
        {"<integer>500</integer>", 300, "500", false},
        {"<string>abc</string>", 10, "10", true}, // kept aside first
        {"<date>2024-01-01T00:00:00Z</date>", 0, "0", true}};
    for (const auto& [stored, score, after, setAside] : cases) {
        const std::string file = dictXml("<key>highScore</key>" + stored);
        writeFile(path, file);
        fs::remove(path + ".corrupt-1");
        UserDefaults store(path);
        std::uint32_t best = 1;
        ASSERT_TRUE(saveHighScore(store, score, &best)) << stored;
        EXPECT_EQ(UserDefaults(path).stringForKey(kHighScore), after) << stored;
        EXPECT_EQ(std::to_string(best), after);
        EXPECT_EQ(readFile(path + ".corrupt-1"), setAside ? file : "") << stored;
    }
}

TEST_F(SettingsTest, TheSettingsScreenListsAndSavesCheckedValues) {
    std::string listing;
    EXPECT_EQ(settings({}, &listing), 0);
    EXPECT_EQ(lineCount(listing), 6u);
    for (const char* line :
         {"sfxState    true\n", "accelState  false\n", "gameType    0 (Untimed)\n"})
        EXPECT_NE(listing.find(line), std::string::npos) << line;
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"gameType", "untimed"}, "0"},   {{"gameType", "2 minutes"}, "2"},
        {{"gameType", "3"}, "3"},         {{"sfxState", "false"}, "false"},
        {{"accelState", "true"}, "true"}, {{"highScore", "007"}, "7"}};
    for (const auto& [args, stored] : cases) {
        EXPECT_EQ(settings(args), 0) << args[1];
        EXPECT_EQ(UserDefaults(path).stringForKey(args[0]), stored) << args[1];
    }
    EXPECT_EQ(settings({}, &listing), 0);
    EXPECT_NE(listing.find("gameType    3 (3 minutes)\n"), std::string::npos);
    EXPECT_NE(listing.find("highScore   7\n"), std::string::npos);
    // What the store holds reaches the terminal escaped.
    UserDefaults store(path);
    store.setObject(std::string("\x1b]0;owned\x07\xc2\x9b\n"), kSfxState);
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(settings({}, &listing), 0);
    EXPECT_NE(listing.find("\\x1b]0;owned\\x07\\u009b\\n\n"), std::string::npos) << listing;
    EXPECT_EQ(listing.find_first_of("\x1b\x07\x9b"), std::string::npos);
}

TEST_F(SettingsTest, TheSettingsScreenRefusesBadInputWithOneLine) {
    ASSERT_EQ(settings({"highScore", "10"}), 0);
    const std::string before = readFile(path);
    const std::vector<std::vector<std::string>> refused = {
        {"sfxState", "maybe"},       {"sfxState", "TRUE"},
        {"showHints", "0"},          {"gameType", "6"},
        {"gameType", "six minutes"}, {"highScore", "-1"},
        {"highScore", "4294967296"}, {"highScore", " 5"},
        {"highScore", "9"},          {"volume", "3"},
        {"sfxState", "true\x1b[2J"}, {"\x1b[2J", "1"}};
    for (const auto& args : refused) {
        std::string out, err;
        EXPECT_EQ(settings(args, &out, &err), 1) << args[0] << ' ' << args[1];
        EXPECT_EQ(lineCount(err), 1u) << err;
        EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
        EXPECT_EQ(out, "");
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(settings({"gameType"}), 2);
    EXPECT_EQ(settings({"gameType", "1", "2"}), 2);
}

} // namespace
