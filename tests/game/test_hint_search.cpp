// The hint's search: the solver's breadth-first search asked for a group in reach, its series
// of turns pulsed one after another as the player makes them, the notice when nothing is found
// within the budget, and the search's thread, copy and stale answers.
#include "desktop/input/HintSearch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "desktop/input/KeyboardCursor.h"
#include "platform/base/RunLoop.h"
#include "sim/Boards.h"
#include "sim/SolverBoards.h"

namespace {

// Every live bubble can be clicked: the screen as the tests see it.
void everyBubbleInReach(Puzzle& board, bool reachable[kNumBlocks]) {
    for (int n = 0; n < kNumBlocks; ++n)
        reachable[n] = isLive(board.blocks[n].state);
}

KeyboardCursor cursorSeeingEveryBubble() {
    return KeyboardCursor([](const Puzzle& b, CursorScreen& screen) {
        screen.spots.clear();
        for (int n = 0; n < kNumBlocks; ++n)
            if (isLive(b.blocks[n].state))
                screen.spots.push_back({n, {static_cast<float>(n), 0.0f}, true});
    });
}

// Starts a search and runs the main loop until its answer arrives there, as the game's does.
std::optional<std::vector<int>> searchOnMainLoop(HintSearcher& searcher, const Puzzle& board,
                                                 HintSearch::ReachTest reach) {
    bool answered = false;
    EXPECT_TRUE(searcher.start(board, std::move(reach), [&] { answered = true; }));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!answered && std::chrono::steady_clock::now() < deadline)
        RunLoop::main().runOnce(std::chrono::milliseconds(20));
    EXPECT_TRUE(answered);
    const std::shared_ptr<HintSearch> done = searcher.takeAnswer();
    return done ? done->turns() : std::nullopt;
}

bool hasGroup(const Puzzle& p) {
    int group[kNumBlocks];
    for (const int size : boardGroups(p, group))
        if (size > 1) return true;
    return false;
}

// Two bubbles of colour 0 and one of colour 1 on the bottom layer: no pair now, none after any
// one turn (checked below), one after two.
constexpr int kTwoTurnBubbles[3][4] = {{1, 0, 2, 0}, {3, 0, 3, 0}, {3, 0, 0, 1}};

void makeTwoTurnBoard(Puzzle* p) {
    makeEmptyBoard(p);
    for (const auto& [x, y, z, color] : kTwoTurnBubbles)
        putBubble(p, x, y, z, color);
}

// The solver's turn and fall of each permutation is the game's turn that the hint names for it.
TEST(HintSearch, EachSearchTurnIsTheGameTurnTheHintNames) {
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        auto board = std::make_unique<Puzzle>();
        makeRestingBoard(board.get(), static_cast<long>(round));
        for (int hole = 0; hole < 40; ++hole)
            removeBubble(board.get(), static_cast<int>(random() % 5), static_cast<int>(random() % 5),
                         static_cast<int>(random() % 5));
        const std::shared_ptr<SolveOperation> solver = SolveOperation::initWithPuzzleData(board.get());
        for (const int permutation : {kDirLeft, kDirRight, kDirUp, kDirDown}) {
            auto searched = std::make_unique<Puzzle>(*board);
            auto played = std::make_unique<Puzzle>(*board);
            solver->swapAndShiftBlocks(searched.get(), permutation);
            rotatePuzzle(played.get(), gameTurnOfPermutation(permutation));
            runUntilRest(played.get());
            for (int n = 0; n < kNumBlocks; ++n) {
                const BlockState &a = searched->blocks[n].state, &b = played->blocks[n].state;
                ASSERT_EQ(isLive(a) ? a.color : -1, isLive(b) ? b.color : -1)
                    << "round " << round << " permutation " << permutation << " cell " << n;
            }
        }
    }
}

TEST(HintSearch, HintPulsesEachTurnOfTheSeriesAsThePlayerMakesThem) {
    auto board = std::make_unique<Puzzle>();
    makeTwoTurnBoard(board.get());
    ASSERT_FALSE(hasGroup(*board));
    for (const int turn : {kDirLeft, kDirRight, kDirUp, kDirDown}) {
        auto turned = std::make_unique<Puzzle>(*board);
        settleAfterTurn(*turned, turn);
        ASSERT_FALSE(hasGroup(*turned)) << "one turn " << turn << " is enough";
    }
    KeyboardCursor cursor = cursorSeeingEveryBubble();
    const KeyboardCursor::Action asked = cursor.press(KeyboardCursor::Key::Hint, *board);
    EXPECT_TRUE(asked.search);
    EXPECT_FALSE(asked.tap);
    EXPECT_EQ(asked.pulseTurn, -1);
    HintSearcher searcher;
    const std::optional<std::vector<int>> series =
        searchOnMainLoop(searcher, *board, everyBubbleInReach);
    ASSERT_TRUE(series);
    ASSERT_EQ(series->size(), 2u);
    EXPECT_EQ(cursor.hintAnswer(series, *board).pulseTurn, (*series)[0]);
    for (std::size_t step = 0; step < series->size(); ++step) {
        rotatePuzzle(board.get(), (*series)[step]);
        runUntilRest(board.get());
        const auto pulse = cursor.nextPulse(*board);
        ASSERT_TRUE(pulse);
        EXPECT_EQ(pulse->amount, 0.0f) << "the turn made ends its glow";
        const KeyboardCursor::Action next = cursor.press(KeyboardCursor::Key::Hint, *board);
        EXPECT_FALSE(next.search) << "the series goes on without a new search";
        if (step + 1 < series->size()) {
            EXPECT_EQ(next.pulseTurn, (*series)[step + 1]);
            EXPECT_FALSE(next.tap);
        } else {
            EXPECT_EQ(next.pulseTurn, -1);
            ASSERT_TRUE(next.tap) << "the pair is in reach: the hint selects it";
            EXPECT_TRUE(hasGroup(*board));
        }
    }
}

TEST(HintSearch, NoPairWithinTheBudgetShowsTheNoticeUntilItEndsOrTheBoardChanges) {
    const struct {
        const char* change;
        void (*apply)(Puzzle&);
    } cases[] = {
        {"none", [](Puzzle&) {}},
        {"a turn", [](Puzzle& b) { rotatePuzzle(&b, kDirLeft); }},
        {"a new game", [](Puzzle& b) { initPuzzleWithSeed(&b, 9); }},
    };
    HintSearcher searcher;
    for (const auto& c : cases) {
        auto board = std::make_unique<Puzzle>();
        makeNoMoveBoard(board.get());
        KeyboardCursor cursor = cursorSeeingEveryBubble();
        ASSERT_TRUE(cursor.press(KeyboardCursor::Key::Hint, *board).search);
        const std::optional<std::vector<int>> series =
            searchOnMainLoop(searcher, *board, everyBubbleInReach);
        EXPECT_FALSE(series) << c.change;
        const KeyboardCursor::Action shown = cursor.hintAnswer(series, *board);
        EXPECT_EQ(shown.pulseTurn, -1);
        EXPECT_EQ(cursor.nextNotice(*board), true) << c.change;
        c.apply(*board);
        int frames = 1;
        while (cursor.nextNotice(*board) == true)
            ++frames;
        EXPECT_FALSE(cursor.nextNotice(*board)) << "one false ends it";
        if (c.change == std::string("none"))
            EXPECT_GE(frames, 100) << "a few seconds of 50 frames";
        else
            EXPECT_EQ(frames, 1) << c.change;
    }
}

TEST(HintSearch, TheSearchRunsOffTheMainThreadOnACopyAndAStaleAnswerIsDropped) {
    auto board = std::make_unique<Puzzle>();
    makeTwoTurnBoard(board.get());
    const auto untouched = std::make_unique<Puzzle>(*board);
    const std::thread::id mainThread = std::this_thread::get_id();
    std::atomic<int> onMain{0}, calls{0};
    const HintSearch::ReachTest reach = [&](Puzzle& b, bool reachable[kNumBlocks]) {
        ++calls;
        if (std::this_thread::get_id() == mainThread) ++onMain;
        everyBubbleInReach(b, reachable);
    };
    KeyboardCursor cursor = cursorSeeingEveryBubble();
    ASSERT_TRUE(cursor.press(KeyboardCursor::Key::Hint, *board).search);
    HintSearcher searcher;
    const std::optional<std::vector<int>> series = searchOnMainLoop(searcher, *board, reach);
    ASSERT_TRUE(series);
    EXPECT_GT(calls.load(), 0);
    EXPECT_EQ(onMain.load(), 0);
    EXPECT_EQ(std::memcmp(board.get(), untouched.get(), sizeof(Puzzle)), 0);
    // The board changed while the search ran: the answer is for another board.
    removeBubble(board.get(), kTwoTurnBubbles[2][0], kTwoTurnBubbles[2][1],
                 kTwoTurnBubbles[2][2]);
    const KeyboardCursor::Action stale = cursor.hintAnswer(series, *board);
    EXPECT_EQ(stale.pulseTurn, -1);
    EXPECT_FALSE(stale.tap);
    EXPECT_FALSE(cursor.nextPulse(*board));
    EXPECT_FALSE(cursor.nextNotice(*board));

    // A search that a newer one replaced is never heard of.
    int firstHeard = 0;
    ASSERT_TRUE(searcher.start(*untouched, everyBubbleInReach, [&] { ++firstHeard; }));
    EXPECT_TRUE(searchOnMainLoop(searcher, *untouched, everyBubbleInReach));
    while (RunLoop::main().runOnce(std::chrono::milliseconds(50))) {
    }
    EXPECT_EQ(firstHeard, 0);
}

} // namespace
