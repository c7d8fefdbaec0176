// The top-10 score tables, one per game type, kept in the user-defaults store beside the best
// score; the merge of a finished game into them under the store's lock, and `spheron --scores`.
// Store types and the standard library only; no SDL, no GL, no model.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/record/Settings.h"
#include "platform/store/UserDefaults.h"

// In the store: "scoreTables" (kScoreTables) is a dictionary from the game type in decimal ("0"
// ... "5") to an array of entries, best first; each entry a dictionary of "score" (integer),
// "date" (string), "gameNumber" (decimal string from 0 to 4294967295: plist integers are signed
// 64-bit, game numbers are not), "id" (16 hexadecimal digits; absent in older entries) and
// "player" (who played, a string; absent in older entries and where no name was known).
inline constexpr int kGameTypeCount = 6; // untimed, then 1 ... 5 minutes
inline constexpr std::size_t kScoreTableSize = 10;

struct ScoreEntry {
    std::uint32_t score = 0;
    // ISO 8601. Written in UTC ("2026-12-06T19:47:42Z"): one fixed form that sorts as text in time
    // order, whatever the time zone or summer time of the machine that wrote it; a form with an
    // offset ("2026-12-06T20:47:42+01:00") is read as well. Shown in local time.
    std::string date;
    std::uint64_t gameNumber = 0; // the seed the board was made from, 0 ... 4294967295
    // What tells apart two games alike in all else (the same board, score and second, say four
    // games run at once): random, drawn when the entry is made, so that a copy of an entry
    // keeps it and the same entry merged twice stays one. 0 for an entry stored without one.
    std::uint64_t id = newScoreEntryId();
    // Who played, as recorded when the entry was made (PlayerName.h); "" when not known. Kept
    // as read; shownPlayer() gives it cleaned for the screen.
    std::string player = {};
    bool operator==(const ScoreEntry&) const = default;

    static std::uint64_t newScoreEntryId();
};

struct ScoreTables {
    // Indexed by game type; best first, equal scores by earlier date. At most kScoreTableSize.
    std::array<std::vector<ScoreEntry>, kGameTypeCount> byGameType;
};

struct ScoreRecord {
    int rank = 0;           // 1 ... 10 in the game type's table, 0 when it did not enter
    bool newBest = false;   // above the stored best score
    std::uint32_t best = 0; // the best score after the write
    bool saved = false;     // the store took the write (or had nothing to write)
};

// "Untimed", "1 minute", "2 minutes" ..., as the settings file titles them.
std::string gameTypeTitle(int gameType);

// "2026-12-06T19:47:42Z" for a calendar time; the current time.
std::string isoDateUTC(std::time_t time);
std::string currentISODate();
// Seconds since the epoch of "YYYY-MM-DDTHH:MM:SS", optional fraction, then "Z" or an offset
// ("+01:00", "-0530"); none for anything else.
std::optional<std::int64_t> parseISODate(std::string_view text);
// The date as the player reads it: local "2026-12-06 20:47"; an unreadable one as it is.
std::string shownDate(const std::string& isoDate);

// An entry's player as shown: cleaned as a typed name is, "" when that leaves nothing.
std::string shownPlayer(const ScoreEntry& entry);

// The tables in a stored dictionary; malformed entries and tables are skipped.
ScoreTables scoreTablesFrom(const PropertyList::Dictionary& stored);
// The tables as the store's file holds them now (another process may have added to them); empty
// tables when there is no file or it cannot be read.
ScoreTables readScoreTables(const UserDefaults& store);

// Records a finished game, the one write a game's end makes: under the store's lock, merged with
// what the file holds then, the entry joins its game type's table when it makes the top 10, and
// "highScore" is raised to the score when that is higher (raiseBestScore: never lowered, an
// unreadable one kept aside first), in one update of the store. Keys and entries the game does not
// know stay as they are; a table or table list of the wrong type is kept under "<key>.unreadable".
// An empty or unreadable date becomes the current time. A practice game is never recorded: the
// caller does not call this for one. Main thread (it blocks on the store's lock).
ScoreRecord recordScore(UserDefaults& store, int gameType, ScoreEntry entry);

// The six tables as text, a heading per game type and "(no scores yet)" for an empty one;
// control characters of anything read from the store are escaped.
void printScoreTables(std::ostream& out, const ScoreTables& tables);

// `spheron --scores`: prints the tables of the store at `storePath` without changing it. 0, also
// for a missing store; 1 after one line on `err` when the file cannot be read.
int scoresCommand(const std::string& storePath, std::ostream& out, std::ostream& err);
