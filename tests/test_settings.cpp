// The game's preferences: seeding from the settings file on first launch and the command-line
// settings screen. What the delegate reads from each stored string is tested with the delegate.
#include "Classes/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "support/Harness.h"

namespace {

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class SettingsTest : public ::testing::Test {
protected:
    std::string writeSettings(const std::string& xml) {
        writeFile(dir / "Root.plist", xml);
        return (dir / "Root.plist").string();
    }
    ScratchDir dir;
    const std::string storePath = (dir / "preferences.plist").string();
    LogCapture log;
};

TEST_F(SettingsTest, FirstLaunchSeedsTheDefaultsFromTheSettingsBundle) {
    UserDefaults store(storePath);
    createDefaultPreferences(store, settingsFilePath());
    EXPECT_EQ(store.stringForKey(kSfxState), "true");
    EXPECT_EQ(store.stringForKey(kShowHints), "true");
    EXPECT_EQ(store.stringForKey(kAccelState), "false");
    EXPECT_EQ(store.stringForKey(kHighScore), "0"); // present, so the next launch skips seeding
    EXPECT_EQ(store.integerForKey(kGameType), 0);
    EXPECT_TRUE(log.lines.empty());
    // Defaults live in memory only: nothing was written.
    EXPECT_FALSE(fs::exists(storePath));
}

TEST_F(SettingsTest, AMissingFileOrArrayRegistersNothing) {
    const std::vector<std::string> broken = {
        (dir / "nowhere.plist").string(),
        writeSettings("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>"),
        writeSettings("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                      "<key>PreferenceSpecifiers</key><dict/></dict></plist>"),
    };
    for (const std::string& settings : broken) {
        log.lines.clear();
        UserDefaults store(storePath);
        createDefaultPreferences(store, settings);
        for (const char* key : {kSfxState, kShowHints, kAccelState, kHighScore, kGameType})
            EXPECT_FALSE(store.stringForKey(key)) << key << " from " << settings;
        EXPECT_EQ(log.lines.size(), 1u);
    }
}

TEST_F(SettingsTest, ALaterEntryReplacesAnEarlierOneAndForeignKeysAreSkipped) {
    const std::string settings = writeSettings(settingsPlist(
        specifier(kGameType, "<integer>2</integer>") +
        specifier(kSfxState, "<string>false</string>") +
        "<dict><key>Type</key><string>PSGroupSpecifier</string></dict>" +
        specifier("other", "<string>x</string>") + specifier(kGameType, "<integer>4</integer>") +
        "<dict><key>Key</key><string>sfxState</string></dict>" + "<string>stray</string>"));
    UserDefaults store(storePath);
    createDefaultPreferences(store, settings);
    EXPECT_EQ(store.integerForKey(kGameType), 4);
    EXPECT_EQ(store.stringForKey(kSfxState), "false"); // an entry without a default keeps it
    EXPECT_FALSE(store.stringForKey("other"));
    EXPECT_FALSE(store.stringForKey(kHighScore));
}

TEST_F(SettingsTest, TheSettingsScreenListsAndSavesCheckedValues) {
    auto run = [this](const std::vector<std::string>& args, std::string* listing = nullptr) {
        std::ostringstream out, err;
        UserDefaults store(storePath);
        EXPECT_EQ(settingsCommand(args, store, settingsFilePath(), out, err), 0);
        EXPECT_EQ(err.str(), "");
        if (listing) *listing = out.str();
    };
    std::string listing;
    run({}, &listing);
    EXPECT_EQ(lineCount(listing), 5u);
    for (const char* line :
         {"sfxState    true\n", "accelState  false\n", "gameType    0 (Untimed)\n"})
        EXPECT_NE(listing.find(line), std::string::npos) << line;

    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"gameType", "untimed"}, "0"},   {{"gameType", "2 minutes"}, "2"},
        {{"gameType", "3"}, "3"},         {{"sfxState", "false"}, "false"},
        {{"accelState", "true"}, "true"}, {{"highScore", "4294967295"}, "4294967295"},
        {{"highScore", "007"}, "7"}};
    for (const auto& [args, stored] : cases) {
        run(args);
        EXPECT_EQ(UserDefaults(storePath).stringForKey(args[0]), stored) << args[1];
    }
    // The screen lists what it wrote.
    run({}, &listing);
    EXPECT_NE(listing.find("gameType    3 (3 minutes)\n"), std::string::npos);
    EXPECT_NE(listing.find("highScore   7\n"), std::string::npos);
}

TEST_F(SettingsTest, TheSettingsScreenRefusesBadInputWithOneLine) {
    {
        UserDefaults store(storePath);
        ASSERT_TRUE(saveHighScore(store, 10));
    }
    const std::string before = readFile(storePath);
    const std::vector<std::vector<std::string>> refused = {
        {"sfxState", "maybe"}, {"sfxState", "TRUE"},
        {"showHints", "0"},    {"gameType", "6"},
        {"gameType", "-1"},    {"gameType", "six minutes"},
        {"highScore", "-1"},   {"highScore", "4294967296"},
        {"highScore", "abc"},  {"highScore", ""},
        {"volume", "3"},       {"highScore", " 5"},
    };
    for (const auto& args : refused) {
        std::ostringstream out, err;
        UserDefaults store(storePath);
        EXPECT_EQ(settingsCommand(args, store, settingsFilePath(), out, err), 1)
            << args[0] << ' ' << args[1];
        EXPECT_EQ(lineCount(err.str()), 1u) << err.str();
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_EQ(readFile(storePath), before);

    std::ostringstream out, err;
    UserDefaults store(storePath);
    EXPECT_EQ(settingsCommand({"gameType"}, store, settingsFilePath(), out, err), 2);
    EXPECT_EQ(settingsCommand({"gameType", "1", "2"}, store, settingsFilePath(), out, err), 2);
    EXPECT_EQ(settingsCommand({}, store, (dir / "nowhere.plist").string(), out, err), 1);
    EXPECT_EQ(lineCount(err.str()), 3u);
    EXPECT_EQ(readFile(storePath), before);
}

} // namespace
