// The game's preferences: their keys, the seeding of the store from the settings file, the
// saving of the best score, and the command-line settings screen. Talks to the user-defaults
// store only; no SDL, no GL, no model.
#pragma once

#include "platform/store/UserDefaults.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* kSfxState = "sfxState";
inline constexpr const char* kShowHints = "showHints";
inline constexpr const char* kAccelState = "accelState";
inline constexpr const char* kHighScore = "highScore";
inline constexpr const char* kGameType = "gameType";
// A symbol on each bubble colour, for players who do not tell the colours apart; "true" or "false".
inline constexpr const char* kShowSymbols = "showSymbols";
// Not a setting: the window's size in pixels, "WxH", that the last player resized it to.
inline constexpr const char* kWindowSize = "windowSize";
// Not a setting: "true" once the how-to-play card has been shown and closed; the first start
// shows it while nothing is stored.
inline constexpr const char* kHowToPlayShown = "howToPlayShown";
// Not a setting: the top-10 tables of each game type (ScoreTables.h).
inline constexpr const char* kScoreTables = "scoreTables";

// Names the keys above as the player's own to the store: should a save grow the file beyond
// what the reader takes, they are what a fresh file keeps.
void claimGameKeys(UserDefaults& store);

// Settings.bundle/Root.plist in the resource folder.
std::string settingsFilePath();

// Registers the "DefaultValue" of each of the six keys found in the settings file's
// "PreferenceSpecifiers" (a later entry for a key wins), then synchronises. A missing file or
// array registers nothing, with one log line.
void createDefaultPreferences(UserDefaults& store, const std::string& settingsPath);

// Tilt control is on only for the exact string "true".
inline bool tiltControlOn(const std::string& accelState) {
    return accelState == "true";
}

// The one reader of a stored best score, used by the game's start, the score tables and
// `--settings`: PropertyList::unsignedValue's rule. A whole number from 0 to 4294967295: an
// integer; a string's leading digits after blanks and an optional '+' ("5000abc" and "+5000"
// are 5000); a real truncated (5000.5 is 5000). Anything else, out of range included
// ("99999999999", 4294967296, -1), is unreadable: none here, never clamped; the next write keeps
// the file aside before replacing it. 0 when nothing is stored.
std::optional<std::uint32_t> storedBestScore(const PropertyList::Dictionary& stored);

// For a change running under UserDefaults::update(): raises the stored best score to `score`
// when that is higher, written as "%u" text; a stored value that cannot be read is first kept
// aside (UserDefaults::keepCopyAside). `best` receives the best score now held; `changed`,
// when given, whether `stored` changed. False when nothing may be written (no copy was kept).
bool raiseBestScore(UserDefaults& store, PropertyList::Dictionary& stored, std::uint32_t score,
                    std::uint32_t& best, bool* changed = nullptr);

// Stores the larger of `score` and the stored best score in one update of the store (as
// raiseBestScore), so that no writer lowers it. `best`, when given, receives the best score now
// stored. False when the store could not be written.
bool saveHighScore(UserDefaults& store, std::uint32_t score, std::uint32_t* best = nullptr);

// `spheron --settings [KEY VALUE]`: `args` are the words after "--settings". Without words,
// lists each setting's title, key and current value, control characters escaped; with KEY
// VALUE, checks the value against the setting's description in the settings file and saves it
// (a best score only when it is above the stored one). Returns the exit status: 0 on success, 1
// for a refused value or a failed save, 2 for a wrong number of words; each failure prints one
// line on `err`.
int settingsCommand(const std::vector<std::string>& args, UserDefaults& store,
                    const std::string& settingsPath, std::ostream& out, std::ostream& err);
