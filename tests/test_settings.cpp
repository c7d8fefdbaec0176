// The game's preferences: seeding from the settings file on first launch, what launch reads
// from each stored string, the best score's round trip, and the command-line settings screen.
#include "Classes/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/Harness.h"

namespace {

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A settings file whose "PreferenceSpecifiers" array holds `entries` (XML dict elements).
std::string settingsXml(const std::string& entries) {
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>PreferenceSpecifiers</key>"
           "<array>" +
           entries + "</array></dict></plist>";
}

std::string entry(const std::string& key, const std::string& defaultXml) {
    return "<dict><key>Key</key><string>" + key + "</string><key>DefaultValue</key>" + defaultXml +
           "</dict>";
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
    const Preferences prefs = loadPreferences(store, settingsFilePath());
    EXPECT_EQ(prefs.sfxState, "true");
    EXPECT_EQ(prefs.sfx, 1u);
    EXPECT_EQ(prefs.showHints, "true");
    EXPECT_EQ(prefs.hints, 1u);
    EXPECT_EQ(prefs.accelState, "false");
    EXPECT_FALSE(tiltControlOn(prefs.accelState));
    EXPECT_EQ(prefs.highScore, 0u);
    EXPECT_EQ(prefs.gameType, 0);
    EXPECT_EQ(store.stringForKey(kHighScore), "0"); // registered, so the next read skips seeding
    EXPECT_TRUE(log.lines.empty());
    // Defaults live in memory only: nothing was written.
    EXPECT_FALSE(fs::exists(storePath));
}

// The switches are on unless the text is exactly "false"; tilt control needs exactly "true".
TEST_F(SettingsTest, SwitchesReadTheirExactStrings) {
    const std::vector<std::pair<std::string, unsigned>> cases = {
        {"true", 1},  {"yes", 1},  {"", 1},      {"FALSE", 1}, {"false ", 1},
        {"false", 0}, {"True", 1}, {"true ", 1}, {"1", 1}};
    for (const auto& [text, on] : cases) {
        UserDefaults store(storePath);
        for (const char* key : {kSfxState, kShowHints, kAccelState})
            store.setObject(text, key);
        store.setObject(std::string("0"), kHighScore);
        const Preferences prefs = loadPreferences(store, settingsFilePath());
        EXPECT_EQ(prefs.sfx, on) << '"' << text << '"';
        EXPECT_EQ(prefs.hints, on) << '"' << text << '"';
        EXPECT_EQ(prefs.sfxState, text);
        EXPECT_EQ(prefs.accelState, text);
        EXPECT_EQ(tiltControlOn(prefs.accelState), text == "true") << '"' << text << '"';
    }
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
        const Preferences prefs = loadPreferences(store, settings);
        for (const char* key : {kSfxState, kShowHints, kAccelState, kHighScore, kGameType})
            EXPECT_FALSE(store.stringForKey(key)) << key << " from " << settings;
        EXPECT_EQ(prefs.sfx, 1u);
        EXPECT_EQ(prefs.hints, 1u);
        EXPECT_EQ(prefs.accelState, "false");
        EXPECT_EQ(prefs.highScore, 0u);
        EXPECT_EQ(prefs.gameType, 0);
        EXPECT_EQ(log.lines.size(), 1u);
    }
}

TEST_F(SettingsTest, ALaterEntryReplacesAnEarlierOneAndForeignKeysAreSkipped) {
    const std::string settings = writeSettings(settingsXml(
        entry(kGameType, "<integer>2</integer>") + entry(kSfxState, "<string>false</string>") +
        "<dict><key>Type</key><string>PSGroupSpecifier</string></dict>" +
        entry("other", "<string>x</string>") + entry(kGameType, "<integer>4</integer>") +
        "<dict><key>Key</key><string>sfxState</string></dict>" + "<string>stray</string>"));
    UserDefaults store(storePath);
    const Preferences prefs = loadPreferences(store, settings);
    EXPECT_EQ(prefs.gameType, 4);
    EXPECT_EQ(prefs.sfx, 0u); // the entry without a default leaves "false" in place
    EXPECT_FALSE(store.stringForKey("other"));
    EXPECT_FALSE(store.stringForKey(kHighScore));
}

TEST_F(SettingsTest, TheBestScoreRoundTripsAsUnsignedTextAndABadOneCountsAsZero) {
    {
        UserDefaults store(storePath);
        ASSERT_TRUE(saveHighScore(store, 4294967295u));
    }
    EXPECT_NE(readFile(storePath).find("<string>4294967295</string>"), std::string::npos);

    // A stored best score skips seeding: a missing settings file is not even looked at.
    UserDefaults store(storePath);
    const Preferences prefs = loadPreferences(store, (dir / "nowhere.plist").string());
    EXPECT_EQ(prefs.highScore, 4294967295u);
    EXPECT_TRUE(log.lines.empty());

    for (const std::string text : {"-5", "abc", "99999999999"}) { // a bad one counts as 0
        log.lines.clear();
        store.setObject(text, kHighScore);
        EXPECT_EQ(loadPreferences(store, settingsFilePath()).highScore, 0u) << text;
        EXPECT_EQ(log.lines.size(), 1u) << text;
    }
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
    // The game reads what the screen wrote, and the screen lists it.
    UserDefaults store(storePath);
    const Preferences prefs = loadPreferences(store, settingsFilePath());
    EXPECT_EQ(std::tuple(prefs.gameType, prefs.sfx, prefs.highScore), std::tuple(3, 0u, 7u));
    EXPECT_TRUE(tiltControlOn(prefs.accelState));
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
