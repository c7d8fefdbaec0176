// The score tables in the store: a finished game merged into hand-written store files (another
// writer's entries, the top 10, ties, a best score that is never lowered, malformed entries kept),
// ISO 8601 dates against known epoch seconds, and `spheron --scores`.
#include "desktop/record/ScoreTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "desktop/record/PlayerName.h"
#include "support/Harness.h"

namespace {

std::string entryXml(const std::string& score, const std::string& date, const std::string& game) {
    return "<dict><key>score</key>" + score + "<key>date</key><string>" + date +
           "</string><key>gameNumber</key><string>" + game + "</string></dict>";
}
std::string tableXml(int type, const std::string& entries) {
    return "<key>scoreTables</key><dict><key>" + std::to_string(type) + "</key><array>" + entries +
           "</array></dict>";
}
std::string integer(int n) {
    return "<integer>" + std::to_string(n) + "</integer>";
}

using ScoreTablesTest = StoreTest;

TEST(ScoreDates, ISODatesGiveTheirEpochSecondsAndOddOnesNone) {
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"2026-12-06T19:47:42Z", 1796586462},       {"2026-01-01T01:30:00+02:00", 1767223800},
        {"2000-03-01T00:00:00-0530", 951888600},    {"1969-12-31T23:59:59.25Z", -1},
        {"2024-02-29T12:00:00Z", 1709208000},       {"2023-02-29T12:00:00Z", std::nullopt},
        {"2026-12-06 19:47:42Z", std::nullopt},     {"2026-12-06T19:47:42", std::nullopt},
        {"2026-12-06T24:00:00Z", std::nullopt},     {"2026-12-06T19:47:42Zjunk", std::nullopt},
        {"2026-12-06T19:47:42+1:00", std::nullopt}, {"", std::nullopt}};
    for (const auto& [text, seconds] : cases)
        EXPECT_EQ(parseISODate(text), seconds) << text;
    EXPECT_EQ(isoDateUTC(1796586462), "2026-12-06T19:47:42Z");
}

// Each row: the store as another writer left it, the game recorded into table 2, and what the
// store must say afterwards.
TEST_F(ScoreTablesTest, AGameMergesIntoWhatTheFileHolds) {
    std::string ten;
    for (int s = 100; s <= 1000; s += 100)
        ten += entryXml(integer(s), "2026-01-01T00:00:00Z", std::to_string(s));
    const std::string tie = entryXml(integer(500), "2026-01-01T00:00:00Z", "7");
    struct Case {
        const char* name;
        std::string before;
        ScoreEntry game;
        int rank;
        bool newBest;
        std::uint32_t best;
        std::vector<std::uint32_t> table; // table 2 afterwards, best first
        const char* highScore;            // as stored afterwards
    };
    const std::string best1000 = "<key>highScore</key><string>1000</string>";
    const char* d = "2026-03-01T10:00:00Z";
    // clang-format off
    const Case cases[] = {
        {"fresh store", "", {300, d, 5}, 1, true, 300, {300}, "300"},
        {"makes the top 10, the lowest drops", best1000 + tableXml(2, ten), {150, d, 5}, 10, false,
         1000, {1000, 900, 800, 700, 600, 500, 400, 300, 200, 150}, "1000"},
        {"below the top 10", best1000 + tableXml(2, ten), {50, d, 5}, 0, false,
         1000, {1000, 900, 800, 700, 600, 500, 400, 300, 200, 100}, "1000"},
        {"a tie ranks after the earlier game", tableXml(2, tie), {500, "2026-02-01T00:00:00Z", 5},
         2, true, 500, {500, 500}, "500"},
        {"a tie ranks before a later one (offset date)", tableXml(2, tie),
         {500, "2026-01-01T01:30:00+02:00", 5}, 1, true, 500, {500, 500}, "500"},
        {"a best score with text after it is read, not lowered",
         "<key>highScore</key><string>900 points</string>", {800, d, 5}, 1, false, 900, {800},
         "900"},
        {"a real best score", "<key>highScore</key><real>5000.5</real>", {300, d, 5}, 1, false,
         5000, {300}, "5000"},
        {"a best score with a plus sign", "<key>highScore</key><string>+5000</string>",
         {300, d, 5}, 1, false, 5000, {300}, "5000"},
        {"an unreadable best score counts as 0", "<key>highScore</key><string>abc</string>",
         {10, d, 5}, 1, true, 10, {10}, "10"},
        {"a best score out of range is unreadable, not clamped",
         "<key>highScore</key><string>99999999999</string>", {10, d, 5}, 1, true, 10, {10}, "10"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path);
        if (!c.before.empty()) writeFile(path, dictXml(c.before));
        const std::string bytes = readFile(path);
        UserDefaults store(path);
        const ScoreRecord r = recordScore(store, 2, c.game);
        EXPECT_TRUE(r.saved);
        EXPECT_EQ(r.rank, c.rank);
        EXPECT_EQ(r.newBest, c.newBest);
        EXPECT_EQ(r.best, c.best);
        const ScoreTables tables = readScoreTables(store);
        std::vector<std::uint32_t> scores;
        for (const ScoreEntry& e : tables.byGameType[2])
            scores.push_back(e.score);
        EXPECT_EQ(scores, c.table);
        if (c.highScore) {
            EXPECT_EQ(UserDefaults(path).stringForKey("highScore"), c.highScore);
        }
        if (c.rank == 0 && !c.newBest) {
            EXPECT_EQ(readFile(path), bytes); // nothing to write
        }
    }
}

TEST_F(ScoreTablesTest, TwoWritersKeepEachOthersGames) {
    UserDefaults first(path);
    UserDefaults second(path); // loaded before the first one writes
    const ScoreEntry earlier{50, "2026-03-01T10:00:00Z", 11}, later{70, "2026-03-01T10:05:00Z", 12};
    ASSERT_EQ(recordScore(first, 0, earlier).rank, 1);
    const ScoreRecord r = recordScore(second, 0, later);
    EXPECT_EQ(r.rank, 1);
    EXPECT_TRUE(r.newBest);
    const ScoreTables tables = readScoreTables(first);
    ASSERT_EQ(tables.byGameType[0].size(), 2u);
    EXPECT_EQ(tables.byGameType[0][0], later);
    EXPECT_EQ(tables.byGameType[0][1], earlier);
    EXPECT_EQ(UserDefaults(path).stringForKey("highScore"), "70");
}

// Games alike in board, score and second (run at once) are each an entry; the same entry written
// again (a retried write) stays one, also one stored before entries had ids.
TEST_F(ScoreTablesTest, IdenticalGamesStayDistinctAndARetriedOneStaysOne) {
    writeFile(path, dictXml(tableXml(0, entryXml(integer(148), "2026-03-01T10:00:00Z", "77"))));
    UserDefaults store(path);
    const ScoreEntry old{148, "2026-03-01T10:00:00Z", 77, 0};
    std::vector<ScoreEntry> games(4, ScoreEntry{148, "2026-03-01T10:00:00Z", 77});
    for (ScoreEntry& game : games)
        game.id = ScoreEntry::newScoreEntryId();
    for (const ScoreEntry& game : games)
        EXPECT_GT(recordScore(store, 0, game).rank, 0);
    EXPECT_GT(recordScore(store, 0, games[2]).rank, 0);
    EXPECT_GT(recordScore(store, 0, old).rank, 0);
    const std::vector<ScoreEntry> table = readScoreTables(store).byGameType[0];
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(table[0], old); // the earliest written ranks first among equals
    for (const ScoreEntry& game : games)
        EXPECT_EQ(std::count(table.begin(), table.end(), game), 1);
}

TEST_F(ScoreTablesTest, MalformedEntriesAreSkippedButKept) {
    const std::string malformed = "<string>stray</string>" +
                                  entryXml(integer(-5), "2026-01-01T00:00:00Z", "1") +
                                  entryXml("<string>12x</string>", "2026-01-01T00:00:00Z", "1") +
                                  entryXml(integer(40), "yesterday", "1") +
                                  entryXml(integer(40), "2026-01-01T00:00:00Z", "-3") +
                                  entryXml(integer(40), "2026-01-01T00:00:00Z", "4294967296") +
                                  "<dict><key>score</key><integer>40</integer><key>date</key>"
                                  "<string>2026-01-01T00:00:00Z</string><key>gameNumber</key>"
                                  "<integer>-1</integer></dict>" +
                                  "<dict><key>score</key><integer>40</integer></dict>";
    const std::string valid =
        "<dict><key>score</key><string>60</string><key>date</key><string>2026-01-02T00:00:00Z"
        "</string><key>gameNumber</key><integer>4294967295</integer><key>player</key><string>Ann"
        "</string></dict>";
    // (Foreign keys outside the tables are the store's to keep: its own suite checks them.)
    writeFile(path, dictXml("<key>scoreTables</key><dict><key>4</key><array>" + malformed + valid +
                            "</array><key>9</key><array><string>future</string></array>"
                            "<key>1</key><string>not a table</string></dict>"));
    UserDefaults store(path);
    const ScoreTables before = readScoreTables(store);
    ASSERT_EQ(before.byGameType[4].size(), 1u);
    EXPECT_EQ(before.byGameType[4][0],
              (ScoreEntry{60, "2026-01-02T00:00:00Z", 4294967295u, 0, "Ann"}));

    EXPECT_EQ(recordScore(store, 4, {20, "2026-03-01T10:00:00Z", 3}).rank, 2);
    EXPECT_EQ(recordScore(store, 1, {30, "2026-03-01T10:00:00Z", 3}).rank, 1);
    const std::string after = readFile(path);
    for (const char* kept :
         {"<string>stray</string>", "<integer>-5</integer>", "12x", "yesterday",
          "<string>-3</string>", "4294967296", "<integer>-1</integer>", "<key>9</key>", "future",
          "<string>Ann</string>", "<key>1.unreadable</key>", "not a table"})
        EXPECT_NE(after.find(kept), std::string::npos) << kept;
    const ScoreTables tables = readScoreTables(store);
    ASSERT_EQ(tables.byGameType[4].size(), 2u);
    EXPECT_EQ(tables.byGameType[4][1].score, 20u);
    EXPECT_EQ(tables.byGameType[1].size(), 1u);
    EXPECT_EQ(log.lines.size(), 1u); // the set-aside table
}

// Who played: recorded with each new entry, read back, printed; an entry from before names were
// kept (or with a name of another type) still reads, and a name written by another program is
// shown cleaned.
TEST_F(ScoreTablesTest, EachEntryKeepsWhoPlayedAndOlderOnesReadWithoutAName) {
    writeFile(path, dictXml(tableXml(
                        0, entryXml(integer(90), "2026-01-01T00:00:00Z", "5") +
                               "<dict><key>score</key><integer>80</integer><key>date</key><string>"
                               "2026-01-01T00:00:00Z</string><key>gameNumber</key><string>6"
                               "</string><key>player</key><integer>7</integer></dict>" +
                               "<dict><key>score</key><integer>70</integer><key>date</key><string>"
                               "2026-01-01T00:00:00Z</string><key>gameNumber</key><string>8"
                               "</string><key>player</key><string>\t Eve \x7f Lee\t</string>"
                               "</dict>")));
    UserDefaults store(path);
    ScoreEntry game{85, "2026-03-01T10:00:00Z", 4242};
    game.player = "Zo\u00eb \u5c71\u7530";
    ASSERT_EQ(recordScore(store, 0, game).rank, 2);
    const std::vector<ScoreEntry> table = readScoreTables(store).byGameType[0];
    ASSERT_EQ(table.size(), 4u);
    const std::pair<std::uint32_t, const char*> expected[] = {
        {90, ""}, {85, "Zo\u00eb \u5c71\u7530"}, {80, ""}, {70, "Eve Lee"}};
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].score, expected[i].first);
        EXPECT_EQ(shownPlayer(table[i]), expected[i].second) << i;
    }
    EXPECT_NE(readFile(path).find("<integer>7</integer>"), std::string::npos); // kept as it was
    std::ostringstream out, err;
    ASSERT_EQ(scoresCommand(path, out, err), 0);
    const std::string printed = out.str();
    EXPECT_NE(printed.find("4242        Zo\u00eb \u5c71\u7530\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("5\n"), std::string::npos) << "no name: the line ends at the number";
    EXPECT_EQ(printed.find_first_of("\x1b\t"), std::string::npos) << printed;
}

TEST(PlayerName, NamesAreCleanedAndWhatGivesNoNameIsRefused) {
    std::string forty;
    for (int i = 0; i < 40; ++i)
        forty += "\u5c71";
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"Zo\u00eb \u5c71\u7530", "Zo\u00eb \u5c71\u7530"},
        {"  Ada \t  Lovelace\u3000", "Ada Lovelace"},
        {"a\x01" "b\x1b[31mc\x7f" "\xc2\x9b" "\u2028" "d", "ab[31mcd"},
        {forty, forty.substr(0, 32 * 3)}, // 32 characters of three bytes each
        {"\xff\xfe", std::nullopt},        // not UTF-8
        {"Zo\xc3", std::nullopt},           // a character cut short
        {"\xc0\xaf", std::nullopt},         // an overlong '/'
        {"\xed\xa0\x80", std::nullopt},     // a surrogate
        {" \t\n\x01 ", std::nullopt},        // nothing left
    };
    for (const auto& [text, cleaned] : cases) {
        std::string why;
        EXPECT_EQ(cleanPlayerName(text, &why), cleaned) << text;
        EXPECT_EQ(why.empty(), cleaned.has_value()) << text;
    }
}

TEST(PlayerName, TheAccountsNameIsItsFullNameElseItsLogin) {
    const struct {
        const char* gecos;
        const char* login;
        const char* name;
    } cases[] = {
        {"Ada Lovelace,Room 12,555-0100,", "ada", "Ada Lovelace"},
        {"", "ada", "ada"},
        {",,,", "ada", "ada"},
        {"& Smith,,", "bob", "Bob Smith"},
        {"\x01\x02", "eve", "eve"},
        {"\xff", "\xff", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(accountPlayerName(c.gecos, c.login), c.name) << c.gecos;
}

TEST_F(ScoreTablesTest, ANewEntryRecordsTheStoredNameElseTheAccounts) {
    const std::string account = defaultPlayerName();
    EXPECT_FALSE(account.empty()) << "the test's own account has a login name at least";
    const std::pair<const char*, std::string> cases[] = {
        {nullptr, account}, {"", account}, {"Zo\u00eb", "Zo\u00eb"}, {" \t ", account}};
    for (const auto& [stored, name] : cases) {
        writeFile(path, dictXml(stored ? std::string("<key>playerName</key><string>") + stored +
                                             "</string>"
                                       : std::string()));
        log.lines.clear();
        EXPECT_EQ(currentPlayerName(UserDefaults(path)), name) << (stored ? stored : "none");
        EXPECT_EQ(log.lines.size(), stored && name != stored && *stored ? 1u : 0u);
    }
}

// (The tables it prints are read by the end-to-end run, and a fresh store's six empty ones by
// CTest's Scores.AFreshStorePrintsSixEmptyTables.)
TEST_F(ScoreTablesTest, TheScoresCommandRefusesAnUnreadableStoreWithOneLineAndLeavesIt) {
    std::ostringstream out, err;
    writeFile(path, "not a property list\x01");
    EXPECT_EQ(scoresCommand(path, out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(lineCount(err.str()), 1u) << err.str();
    EXPECT_EQ(readFile(path), "not a property list\x01"); // only read, never set aside
}

} // namespace
