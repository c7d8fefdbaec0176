// The game's preferences: their keys, the seeding of the store from the settings file, the
// saving of the best score, and the command-line settings screen. Talks to the user-defaults
// store only; no SDL, no GL, no model.
#pragma once

#include "platform/store/UserDefaults.h"

#include <cstdint>
#include <iosfwd>
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

// Stores the larger of `score` and the stored best score, as "%u" text under "highScore", in one
// update of the store, so that no writer lowers it. A stored value that cannot be read as a
// number is never silently replaced: the file is first kept aside (UserDefaults::keepCopyAside),
// and when that fails nothing is written. `best`, when given, receives the best score now stored.
// False when the store could not be written.
bool saveHighScore(UserDefaults& store, std::uint32_t score, std::uint32_t* best = nullptr);

// `spheron --settings [KEY VALUE]`: `args` are the words after "--settings". Without words,
// lists each setting's title, key and current value, control characters escaped; with KEY
// VALUE, checks the value against the setting's description in the settings file and saves it
// (a best score only when it is above the stored one). Returns the exit status: 0 on success, 1
// for a refused value or a failed save, 2 for a wrong number of words; each failure prints one
// line on `err`.
int settingsCommand(const std::vector<std::string>& args, UserDefaults& store,
                    const std::string& settingsPath, std::ostream& out, std::ostream& err);
