// Score tables: reading them leniently from the store, merging a finished game into them under
// the store's lock, ISO 8601 dates, and their printing for `spheron --scores`.
#include "desktop/record/ScoreTables.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <limits>
#include <ostream>
#include <random>
#include <sstream>
#include <system_error>

#include "desktop/record/PlayerName.h"
#include "platform/base/Log.h"
#include "platform/base/Translation.h"

namespace {

constexpr const char* kScoreField = "score";
constexpr const char* kDateField = "date";
constexpr const char* kPlayerField = "player";
constexpr const char* kGameNumberField = "gameNumber";
constexpr const char* kIdField = "id";

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool isLeapYear(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// `count` digits at `at` as a number; false when any is not a digit.
bool digitsAt(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Digits only (no sign, no blanks) up to `limit`.
std::optional<std::uint64_t> parseDigits(std::string_view text, std::uint64_t limit) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (limit - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::optional<std::uint32_t> scoreOf(const PropertyList& value) {
    constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (value.type == PropertyList::Type::Integer && value.integer >= 0 && value.integer <= kMax)
        return static_cast<std::uint32_t>(value.integer);
    if (value.type == PropertyList::Type::String)
        if (auto n = parseDigits(value.string, kMax)) return static_cast<std::uint32_t>(*n);
    return std::nullopt;
}

// A board number is a 32-bit seed: anything else (-1, 4294967296) is no game of ours.
std::optional<std::uint64_t> gameNumberOf(const PropertyList& value) {
    constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (value.type == PropertyList::Type::Integer && value.integer >= 0 && value.integer <= kMax)
        return static_cast<std::uint64_t>(value.integer);
    if (value.type == PropertyList::Type::String) return parseDigits(value.string, kMax);
    return std::nullopt;
}

// 16 hexadecimal digits, not all zero; none for anything else.
std::optional<std::uint64_t> idOf(const PropertyList& value) {
    if (value.type != PropertyList::Type::String || value.string.size() != 16) return std::nullopt;
    std::uint64_t id = 0;
    for (char c : value.string) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return std::nullopt;
        id = id << 4 | static_cast<std::uint64_t>(digit);
    }
    if (id == 0) return std::nullopt;
    return id;
}

// A well-formed entry, or none.
std::optional<ScoreEntry> entryFrom(const PropertyList& item) {
    if (item.type != PropertyList::Type::Dictionary) return std::nullopt;
    const PropertyList* score = item.valueForKey(kScoreField);
    const PropertyList* date = item.valueForKey(kDateField);
    const PropertyList* number = item.valueForKey(kGameNumberField);
    const PropertyList* id = item.valueForKey(kIdField);
    if (!score || !date || !number || date->type != PropertyList::Type::String) return std::nullopt;
    const std::optional<std::uint32_t> s = scoreOf(*score);
    const std::optional<std::uint64_t> n = gameNumberOf(*number);
    const std::optional<std::uint64_t> i = id ? idOf(*id) : std::uint64_t{0};
    if (!s || !n || !i || !parseISODate(date->string)) return std::nullopt;
    ScoreEntry entry{*s, date->string, *n, *i, {}};
    // A name of another type is no name; the entry itself is still good.
    if (const PropertyList* player = item.valueForKey(kPlayerField);
        player && player->type == PropertyList::Type::String)
        entry.player = player->string;
    return entry;
}

PropertyList entryItem(const ScoreEntry& entry) {
    PropertyList item;
    item.type = PropertyList::Type::Dictionary;
    item.dictionary[kScoreField] = PropertyList::makeInteger(entry.score);
    item.dictionary[kDateField] = PropertyList::makeString(entry.date);
    item.dictionary[kGameNumberField] = PropertyList::makeString(std::to_string(entry.gameNumber));
    if (entry.id != 0) {
        char id[17];
        std::snprintf(id, sizeof id, "%016llx", static_cast<unsigned long long>(entry.id));
        item.dictionary[kIdField] = PropertyList::makeString(id);
    }
    if (!entry.player.empty()) item.dictionary[kPlayerField] = PropertyList::makeString(entry.player);
    return item;
}

// Best first; equal scores by earlier date (entries are well-formed, so their dates parse).
bool ranksBefore(const ScoreEntry& a, const ScoreEntry& b) {
    if (a.score != b.score) return a.score > b.score;
    return parseISODate(a.date).value_or(0) < parseISODate(b.date).value_or(0);
}

// A well-formed entry with the dictionary it came from, which may hold more than we know.
struct ReadEntry {
    ScoreEntry entry;
    PropertyList item;
};

// Moves a value of the wrong type out of the way, under "<key>.unreadable" (or "-2", "-3" ...).
void setAside(PropertyList::Dictionary& dict, const std::string& key) {
    std::string aside = key + ".unreadable";
    for (int n = 2; dict.count(aside); ++n)
        aside = key + ".unreadable-" + std::to_string(n);
    dict[aside] = std::move(dict[key]);
    dict.erase(key);
    platformLog("score tables: \"%s\" in the store is not what the game writes; kept as \"%s\"",
                key.c_str(), aside.c_str());
}

// The dictionary or array under `key`, made when absent and set aside first when of another type.
PropertyList& containerAt(PropertyList::Dictionary& dict, const std::string& key,
                          PropertyList::Type type) {
    if (auto found = dict.find(key); found != dict.end() && found->second.type != type)
        setAside(dict, key);
    PropertyList& value = dict[key];
    value.type = type;
    return value;
}

// Merges the game's entry into `stored`'s tables; true when they changed. (The best score is the
// caller's.)
bool mergeScore(PropertyList::Dictionary& stored, int gameType, const ScoreEntry& entry,
                ScoreRecord& result) {

    const std::string typeKey = std::to_string(gameType);
    std::vector<ReadEntry> valid;
    std::vector<PropertyList> malformed;
    const auto tablesIt = stored.find(kScoreTables);
    const PropertyList* list = nullptr;
    if (tablesIt != stored.end() && tablesIt->second.type == PropertyList::Type::Dictionary)
        list = tablesIt->second.valueForKey(typeKey);
    if (list && list->type == PropertyList::Type::Array) {
        for (const PropertyList& item : list->array) {
            if (std::optional<ScoreEntry> e = entryFrom(item))
                valid.push_back({*e, item});
            else
                malformed.push_back(item);
        }
    }
    std::stable_sort(valid.begin(), valid.end(), [](const ReadEntry& a, const ReadEntry& b) {
        return ranksBefore(a.entry, b.entry);
    });
    // The same game written twice (a retried write) is one entry.
    for (std::size_t i = 0; i < valid.size(); ++i) {
        if (valid[i].entry == entry) {
            result.rank = i < kScoreTableSize ? static_cast<int>(i) + 1 : 0;
            return false;
        }
    }
    const auto at = std::upper_bound(
        valid.begin(), valid.end(), entry,
        [](const ScoreEntry& e, const ReadEntry& r) { return ranksBefore(e, r.entry); });
    const auto position = static_cast<std::size_t>(at - valid.begin());
    if (position >= kScoreTableSize) return false;
    result.rank = static_cast<int>(position) + 1;
    valid.insert(at, {entry, entryItem(entry)});
    if (valid.size() > kScoreTableSize) valid.resize(kScoreTableSize);

    PropertyList& tables = containerAt(stored, kScoreTables, PropertyList::Type::Dictionary);
    PropertyList& table = containerAt(tables.dictionary, typeKey, PropertyList::Type::Array);
    table.array.clear();
    for (ReadEntry& r : valid)
        table.array.push_back(std::move(r.item));
    // Entries we cannot read are not ours to drop: they stay, after the table.
    for (PropertyList& item : malformed)
        table.array.push_back(std::move(item));
    return true;
}

void printEscaped(std::ostream& out, std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            const char* hex = "0123456789abcdef";
            out << "\\x" << hex[byte >> 4] << hex[byte & 15];
        } else {
            out << c;
        }
    }
}

} // namespace

std::string gameTypeTitle(int gameType) {
    // TRANSLATORS: the score table of games without a time limit.
    if (gameType <= 0) return _("Untimed");
    // TRANSLATORS: the score table of games of 1 to 5 minutes.
    return textFormat(ngettext("%d minute", "%d minutes", static_cast<unsigned long>(gameType)),
                      gameType);
}

std::string isoDateUTC(std::time_t time) {
    std::tm parts{};
    if (!gmtime_r(&time, &parts)) return "1970-01-01T00:00:00Z";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string currentISODate() {
    return isoDateUTC(std::time(nullptr));
}

std::optional<std::int64_t> parseISODate(std::string_view text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!digitsAt(text, 0, 4, year) || text.size() < 19 || text[4] != '-' ||
        !digitsAt(text, 5, 2, month) || text[7] != '-' || !digitsAt(text, 8, 2, day) ||
        text[10] != 'T' || !digitsAt(text, 11, 2, hour) || text[13] != ':' ||
        !digitsAt(text, 14, 2, minute) || text[16] != ':' || !digitsAt(text, 17, 2, second))
        return std::nullopt;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    if (day > kDays[month - 1] + (month == 2 && isLeapYear(year))) return std::nullopt;
    std::size_t at = 19;
    if (at < text.size() && text[at] == '.') {
        ++at;
        const std::size_t digits = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        if (at == digits) return std::nullopt;
    }
    int offset = 0;
    if (at == text.size()) return std::nullopt; // a time without a zone names no moment
    if (at + 1 == text.size() && text[at] == 'Z') {
        at += 1;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        int oh = 0, om = 0;
        const bool colon = at + 6 == text.size() && text[at + 3] == ':';
        if (!digitsAt(text, at + 1, 2, oh) || !(colon || at + 5 == text.size()) ||
            !digitsAt(text, at + (colon ? 4 : 3), 2, om) || oh > 23 || om > 59)
            return std::nullopt;
        offset = (text[at] == '+' ? 1 : -1) * (oh * 3600 + om * 60);
        at = text.size();
    }
    if (at != text.size()) return std::nullopt;
    const std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return days * 86400 + hour * 3600 + minute * 60 + second - offset;
}

std::string shownDate(const std::string& isoDate) {
    const std::optional<std::int64_t> seconds = parseISODate(isoDate);
    std::tm parts{};
    const auto time = static_cast<std::time_t>(seconds.value_or(0));
    if (!seconds || !localtime_r(&time, &parts)) return isoDate;
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
    return text;
}

std::uint64_t ScoreEntry::newScoreEntryId() {
    // Seeded once from the system's randomness; 0 is kept for entries stored without one.
    thread_local std::mt19937_64 draw{[] {
        std::random_device seed;
        return (std::uint64_t{seed()} << 32) ^ seed() ^
               static_cast<std::uint64_t>(
                   std::chrono::steady_clock::now().time_since_epoch().count());
    }()};
    for (;;)
        if (const std::uint64_t id = draw()) return id;
}

ScoreTables scoreTablesFrom(const PropertyList::Dictionary& stored) {
    ScoreTables tables;
    const auto found = stored.find(kScoreTables);
    if (found == stored.end() || found->second.type != PropertyList::Type::Dictionary)
        return tables;
    for (int type = 0; type < kGameTypeCount; ++type) {
        const PropertyList* list = found->second.valueForKey(std::to_string(type));
        if (!list || list->type != PropertyList::Type::Array) continue;
        std::vector<ScoreEntry>& table = tables.byGameType[static_cast<std::size_t>(type)];
        for (const PropertyList& item : list->array)
            if (std::optional<ScoreEntry> e = entryFrom(item)) table.push_back(std::move(*e));
        std::stable_sort(table.begin(), table.end(), ranksBefore);
        if (table.size() > kScoreTableSize) table.resize(kScoreTableSize);
    }
    return tables;
}

ScoreTables readScoreTables(const UserDefaults& store) {
    const std::optional<PropertyList> file = readPropertyListFile(store.storePath());
    if (!file || file->type != PropertyList::Type::Dictionary) return {};
    return scoreTablesFrom(file->dictionary);
}

ScoreRecord recordScore(UserDefaults& store, int gameType, ScoreEntry entry) {
    ScoreRecord result;
    if (gameType < 0 || gameType >= kGameTypeCount) {
        platformLog("score not recorded: no table for game type %d", gameType);
        return result;
    }
    if (!parseISODate(entry.date)) {
        if (!entry.date.empty())
            platformLog("score recorded with the current time: \"%s\" is not an ISO 8601 date",
                        entry.date.c_str());
        entry.date = currentISODate();
    }
    claimGameKeys(store);
    bool merged = false, refused = false;
    const bool saved = store.update([&](PropertyList::Dictionary& stored) {
        merged = true;
        result = ScoreRecord{};
        const std::uint32_t before = storedBestScore(stored).value_or(0);
        bool bestChanged = false;
        refused = !raiseBestScore(store, stored, entry.score, result.best, &bestChanged);
        if (refused) return false;
        result.newBest = entry.score > before;
        return mergeScore(stored, gameType, entry, result) || bestChanged;
    });
    result.saved = saved && !refused;
    if (!merged) { // the store could not be locked or read: say what the game would have made
        std::optional<PropertyList> file = readPropertyListFile(store.storePath());
        PropertyList::Dictionary stored;
        if (file && file->type == PropertyList::Type::Dictionary) stored = file->dictionary;
        const std::uint32_t before = storedBestScore(stored).value_or(0);
        result.newBest = entry.score > before;
        result.best = std::max(before, entry.score);
        mergeScore(stored, gameType, entry, result);
    }
    return result;
}

std::string shownPlayer(const ScoreEntry& entry) {
    return cleanPlayerName(entry.player).value_or("");
}

void printScoreTables(std::ostream& out, const ScoreTables& tables) {
    for (int type = 0; type < kGameTypeCount; ++type) {
        if (type) out << '\n';
        out << gameTypeTitle(type) << '\n';
        const std::vector<ScoreEntry>& table = tables.byGameType[static_cast<std::size_t>(type)];
        if (table.empty()) {
            out << "  " << _("(no scores yet)") << '\n';
            continue;
        }
        // TRANSLATORS: the column heads of `spheron --scores`: the place, the score, the date,
        // the board's number and who played.
        out << std::right << std::setw(4) << "#" << paddedText(_("Score"), 12, true) << "  "
            << paddedText(_("Date"), 26) << paddedText(_("Game"), 12) << _("Player") << '\n';
        for (std::size_t i = 0; i < table.size(); ++i) {
            out << std::right << std::setw(4) << i + 1 << std::setw(12) << table[i].score << "  ";
            std::ostringstream date;
            printEscaped(date, table[i].date);
            const std::string player = shownPlayer(table[i]);
            out << std::left << std::setw(26) << date.str();
            if (player.empty())
                out << table[i].gameNumber << '\n';
            else
                out << std::setw(12) << table[i].gameNumber << player << '\n';
        }
    }
}

int scoresCommand(const std::string& storePath, std::ostream& out, std::ostream& err) {
    std::error_code ec;
    ScoreTables tables;
    if (std::filesystem::exists(storePath, ec) || ec) { // ENOENT clears ec: a fresh store
        std::string why = ec.message();
        const std::optional<PropertyList> file = readPropertyListFile(storePath, &why);
        if (file && file->type != PropertyList::Type::Dictionary) why = "not a dictionary";
        if (!file || file->type != PropertyList::Type::Dictionary) {
            err << "spheron: cannot read the scores in ";
            printEscaped(err, storePath);
            err << ": " << why << '\n';
            return 1;
        }
        tables = scoreTablesFrom(file->dictionary);
    }
    printScoreTables(out, tables);
    return 0;
}
