// The game's preferences: an unusable settings file, the best score merged at every save, and the
// command-line settings screen. What the delegate seeds and reads is tested with the delegate.
#include "desktop/record/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "desktop/record/PlayerName.h"
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

// One rule reads a stored best score for the game's start (the store), the score tables and the
// settings screen; a value out of range is unreadable, never clamped, and is kept aside before
// the next write replaces it.
TEST_F(SettingsTest, OneRuleReadsAStoredBestScoreEverywhere) {
    const std::vector<std::pair<std::string, std::optional<std::uint32_t>>> cases = {
        {"<string>99999999999</string>", std::nullopt},
        {"<integer>4294967296</integer>", std::nullopt},
        {"<integer>-1</integer>", std::nullopt},
        {"<date>2024-01-01T00:00:00Z</date>", std::nullopt},
        {"<real>5000.5</real>", 5000u},
        {"<string>+5000</string>", 5000u},
        {"<string>5000abc</string>", 5000u},
        {"<integer>500</integer>", 500u}};
    for (const auto& [stored, number] : cases) {
        SCOPED_TRACE(stored);
        const std::string file = dictXml("<key>highScore</key>" + stored);
        writeFile(path, file);
        fs::remove(path + ".corrupt-1");
        const std::optional<PropertyList> read = readPropertyListFile(path);
        ASSERT_TRUE(read);
        EXPECT_EQ(storedBestScore(read->dictionary), number);
        EXPECT_EQ(UserDefaults(path).unsignedForKey(kHighScore), number.value_or(0));
        std::string listing;
        ASSERT_EQ(settings({}, &listing), 0);
        const std::string shown = "highScore   " + std::to_string(number.value_or(0));
        EXPECT_NE(listing.find(shown), std::string::npos) << listing;
        UserDefaults store(path);
        std::uint32_t best = 1;
        ASSERT_TRUE(saveHighScore(store, 1000, &best));
        const std::uint32_t after = std::max(1000u, number.value_or(0));
        EXPECT_EQ(best, after);
        EXPECT_EQ(UserDefaults(path).stringForKey(kHighScore), std::to_string(after));
        EXPECT_EQ(readFile(path + ".corrupt-1"), number ? "" : file);
    }
}

// A title longer than the English ones, as a translation makes it, widens the titles' column
// for every line: the keys stay apart from the titles and in line.
TEST_F(SettingsTest, ALongTitleWidensTheColumnInsteadOfTouchingItsKey) {
    const auto toggle = [](const std::string& title, const std::string& key) {
        return "<dict><key>Type</key><string>PSToggleSwitchSpecifier</string><key>Title</key>"
               "<string>" + title + "</string><key>Key</key><string>" + key + "</string></dict>";
    };
    const std::string file = writeSettings(
        settingsPlist(toggle("Hints", "showHints") + toggle("Управление наклоном", "accelState")));
    std::ostringstream out, err;
    UserDefaults store(path);
    ASSERT_EQ(settingsCommand({}, store, file, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "Hints                showHints   (not set)\n"
                         "Управление наклоном  accelState  (not set)\n");
}

TEST_F(SettingsTest, TheSettingsScreenListsAndSavesCheckedValues) {
    std::string listing;
    EXPECT_EQ(settings({}, &listing), 0);
    EXPECT_EQ(lineCount(listing), 7u);
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
    // What the store holds (written by another program) reaches the terminal escaped.
    writeFile(path, dictXml("<key>sfxState</key><string>\x1b]0;owned\x07\xc2\x9b\n</string>"));
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

// The player's name: any script, cleaned where that leaves a name (with a line saying so),
// refused where it does not, empty for the account's name again.
TEST_F(SettingsTest, ThePlayersNameIsSavedCleanedOrRefused) {
    std::string listing;
    ASSERT_EQ(settings({}, &listing), 0);
    EXPECT_NE(listing.find("playerName  " + defaultPlayerName() + " (the account's name)\n"),
              std::string::npos)
        << listing;
    std::string forty;
    for (int i = 0; i < 40; ++i)
        forty += "\u00e9";
    const struct {
        std::string typed;
        int status;
        std::optional<std::string> stored; // none: left as it was
        std::size_t errLines;
    } cases[] = {
        {"Zo\u00eb \u5c71\u7530", 0, "Zo\u00eb \u5c71\u7530", 0},
        {"  Ann  Lee ", 0, "Ann Lee", 1},
        {forty, 0, forty.substr(0, 64), 1}, // 32 two-byte characters
        {"\xff\xfe", 1, std::nullopt, 1},
        {"Eve\x1b[2J", 1, std::nullopt, 1},
        {"   ", 1, std::nullopt, 1},
        {"", 0, "", 0}, // back to the account's name
    };
    for (const auto& c : cases) {
        const std::optional<std::string> before = UserDefaults(path).stringForKey("playerName");
        std::string out, err;
        EXPECT_EQ(settings({"playerName", c.typed}, &out, &err), c.status) << c.typed;
        EXPECT_EQ(lineCount(err), c.errLines) << err;
        EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
        EXPECT_EQ(UserDefaults(path).stringForKey("playerName"), c.stored ? c.stored : before);
    }
    ASSERT_EQ(settings({"playerName", "Zo\u00eb"}), 0);
    ASSERT_EQ(settings({}, &listing), 0);
    EXPECT_NE(listing.find("playerName  Zo\u00eb\n"), std::string::npos) << listing;
}

} // namespace
