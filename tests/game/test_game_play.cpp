// The desktop game's model-side rules: undo and redo as steps through board copies, the clock
// kept across a step, why a game ended, and the keyboard cursor's choices, on boards built by hand;
// the game controller's buttons as keys.
// (That a step waits for the board at rest, the game view's suite shows.)
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "desktop/input/KeyMap.h"
#include "desktop/input/KeyboardCursor.h"
#include "desktop/input/PadKeys.h"
#include "desktop/play/GameOutcome.h"
#include "desktop/play/PuzzleHistory.h"
#include "sim/Boards.h"

namespace {

// A board told apart by its score.
std::unique_ptr<Puzzle> boardNumbered(std::uint32_t id) {
    auto p = std::make_unique<Puzzle>();
    makeRestingBoard(p.get(), 1);
    p->score = id;
    return p;
}

TEST(PuzzleHistory, UndoAndRedoStepThroughTheCopiesAndAMoveDropsWhatCouldBeRedone) {
    PuzzleHistory h;
    auto shown = boardNumbered(0);
    h.start(*shown);
    // Each row: an action and the board shown after it (-1: the action was refused).
    const struct {
        const char* action;
        int shows;
        std::size_t position, positions;
    } steps[] = {
        {"undo", -1, 0, 1}, {"move", 1, 1, 2},  {"move", 2, 2, 3},  {"redo", -1, 2, 3},
        {"undo", 1, 1, 3},  {"undo", 0, 0, 3},  {"undo", -1, 0, 3}, {"redo", 1, 1, 3},
        {"move", 10, 2, 3}, {"redo", -1, 2, 3}, {"undo", 1, 1, 3},  {"redo", 10, 2, 3},
    };
    std::uint32_t next = 1;
    for (const auto& s : steps) {
        const std::string what = s.action;
        if (what == "move") {
            auto after = boardNumbered(s.shows == 10 ? 10 : next++);
            h.recordMove(*shown, *after);
            shown = std::move(after);
        } else {
            const Puzzle* to = what == "undo" ? h.undo(*shown) : h.redo(*shown);
            EXPECT_EQ(to == nullptr, s.shows < 0) << what;
            if (to) *shown = *to;
        }
        if (s.shows >= 0) {
            EXPECT_EQ(shown->score, std::uint32_t(s.shows)) << what;
        }
        EXPECT_EQ(h.position(), s.position) << what;
        EXPECT_EQ(h.positions(), s.positions) << what;
    }
}

TEST(PuzzleHistory, KeepsTheLatestPositionsOnly) {
    PuzzleHistory h;
    auto b = boardNumbered(0);
    h.start(*b);
    for (std::uint32_t i = 1; i <= PuzzleHistory::kMostPositions + 9; ++i) {
        auto after = boardNumbered(i);
        h.recordMove(*b, *after);
        *b = *after;
    }
    EXPECT_EQ(h.positions(), PuzzleHistory::kMostPositions);
    int undos = 0;
    while (const Puzzle* p = h.undo(*b)) {
        *b = *p;
        ++undos;
    }
    EXPECT_EQ(undos, int(PuzzleHistory::kMostPositions) - 1);
    EXPECT_EQ(b->score, 10u); // the board after the tenth move is the oldest kept
}

// A copy is kept as its difference from the first board: every byte must come back, however
// little or much differs.
TEST(PuzzleHistory, UndoAndRedoGiveBackEveryByteOfTheBoard) {
    auto first = boardNumbered(0);
    auto scattered = boardNumbered(0); // single bytes apart, a few bytes between them
    auto* bytes = reinterpret_cast<unsigned char*>(scattered.get());
    for (std::size_t i = 0; i < sizeof(Puzzle); i += 3 + i % 7)
        bytes[i] ^= 0x5A;
    auto noise = boardNumbered(0); // nothing alike
    std::uint32_t seed = 1;
    for (std::size_t i = 0; i < sizeof(Puzzle); ++i)
        reinterpret_cast<unsigned char*>(noise.get())[i] =
            static_cast<unsigned char>(~reinterpret_cast<unsigned char*>(first.get())[i] ^
                                       ((seed = seed * 1103515245u + 12345u) >> 24 & 0xFE));
    auto played = boardNumbered(70);
    removeBubble(played.get(), 1, 0, 3);
    removeBubble(played.get(), 4, 4, 4);
    played->flags |= kPuzzleGameOver;
    const Puzzle* boards[] = {first.get(), scattered.get(), noise.get(), played.get()};
    for (const Puzzle* b : boards) {
        PuzzleHistory h;
        h.start(*first);
        h.recordMove(*b, *first); // b is kept as the copy of the position left
        const Puzzle* back = h.undo(*first);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(std::memcmp(back, b, sizeof(Puzzle)), 0);
        const Puzzle* again = h.redo(*b);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(std::memcmp(again, first.get(), sizeof(Puzzle)), 0);
    }
}

TEST(PuzzleHistory, AStepBackGivesTheBoardAndScoreButNoTimeBack) {
    auto running = boardNumbered(90);
    running->flags = kPuzzleTimed | kPuzzleTimeWarned;
    running->startTime = 1000;
    running->numGameSecs = 60.0f;
    running->progress = 0.1f;
    running->frame = 4000;
    auto saved = boardNumbered(30);
    removeBubble(saved.get(), 2, 2, 2);
    saved->flags = kPuzzleTimed | kPuzzleShowScore;
    saved->startTime = 1000;
    saved->progress = 0.8f;
    saved->frame = 900;
    restoreKeepingClock(running.get(), *saved);
    EXPECT_EQ(running->score, 30u);
    EXPECT_FALSE(isLive(running->blocks[cellIndex(2, 2, 2)].state));
    EXPECT_EQ(running->flags,
              kPuzzleTimed | kPuzzleTimeWarned | kPuzzleShowScore | kPuzzleProgressChanged);
    EXPECT_FLOAT_EQ(running->progress, 0.1f);
    EXPECT_EQ(running->frame, 4000u);
}

TEST(GameRules, TheEndsReasonComesFromTheBoardTheClockAndTheSolver) {
    const struct {
        const char* name;
        int colours[3]; // bubbles at (0,0,0), (1,0,0), (2,0,0); -1 for none
        bool timeRanOut;
        GameEndReason reason;
    } cases[] = {
        {"cleared", {-1, -1, -1}, true, GameEndReason::Cleared},
        {"no pairs", {kColorRed, kColorBlue, kColorGreen}, true, GameEndReason::NoPairsLeft},
        {"time up", {kColorRed, kColorBlue, kColorRed}, true, GameEndReason::TimeUp},
        {"no move", {kColorRed, kColorBlue, kColorRed}, false, GameEndReason::NoMoveLeft},
    };
    for (const auto& c : cases) {
        Puzzle p;
        makeEmptyBoard(&p);
        for (int x = 0; x < 3; ++x)
            if (c.colours[x] >= 0) putBubble(&p, x, 0, 0, c.colours[x]);
        p.flags = kPuzzleTimed | kPuzzleGameOver;
        p.numGameSecs = 60.0f;
        p.startTime = 5000;
        const std::int64_t now = c.timeRanOut ? 5061 : 5030;
        EXPECT_EQ(gameEndReason(p, now), c.reason) << c.name;
    }
}

TEST(KeyboardCursor, AMoveTakesTheNearestReachableSpotWithin45Degrees) {
    // A 3 x 3 grid, 10 points apart, seen from its middle spot 4 (view points: y down); spot 5
    // cannot be reached, spot 9 lies a little right of straight below.
    std::vector<CursorSpot> spots;
    for (int i = 0; i < 9; ++i)
        spots.push_back(
            {i, {10.0f * static_cast<float>(i % 3), 10.0f * static_cast<float>(i / 3)}, i != 5});
    spots.push_back({9, {13.0f, 30.0f}, true});
    const struct {
        float dx, dy;
        int expected;
    } cases[] = {{-1, 0, 3},  {1, 0, 2}, {0, -1, 1}, {0, 1, 7},   // right: 5 is out of reach; 2
                 {-1, -1, 0}, {1, 1, 8}, {-1, 1, 6}, {1, -1, 2}}; // and 8 on the cone's edge tie
    for (const auto& c : cases)
        EXPECT_EQ(spotInDirection(spots, {10.0f, 10.0f}, c.dx, c.dy), c.expected)
            << c.dx << "," << c.dy;
    EXPECT_EQ(spotInDirection(spots, {10.0f, 20.0f}, 0, 1), 9);  // nearer than 6 or 8 that way
    EXPECT_EQ(spotInDirection(spots, {13.0f, 30.0f}, 1, 0), -1); // 8 is more above than right
}

TEST(KeyboardCursor, FollowsItsBubbleThroughBurstsBelowAndEveryQuarterTurn) {
    // The followed bubble is the board's only one of colour 7; every bubble counts as reachable.
    auto board = std::make_unique<Puzzle>();
    makeRestingBoard(board.get(), 11);
    putBubble(board.get(), 2, 3, 4, 7);
    for (int y = 0; y < 3; ++y)
        putBubble(board.get(), 2, y, 4, kColorRed);
    KeyboardCursor cursor([](const Puzzle& b, CursorScreen& screen) {
        screen.spots.clear();
        for (int n = 0; n < kNumBlocks; ++n)
            if (isLive(b.blocks[n].state))
                screen.spots.push_back({n, {static_cast<float>(n), 0.0f}, true});
        screen.centre = {static_cast<float>(cellIndex(2, 3, 4)), 0.0f};
    });
    cursor.press(KeyboardCursor::Key::Tap, *board); // shows it on the bubble nearest the centre
    const auto settle = [&] {
        for (int i = 0; i < 1000 && !boardAtRest(*board); ++i) {
            cursor.beforeUpdate(*board);
            updatePuzzle(board.get());
            cursor.afterUpdate(*board);
        }
    };
    const auto followed = [&] { return board->blocks[cursor.cell()].state.color == 7; };
    ASSERT_TRUE(followed());
    for (int i = 0; i < 2; ++i) // select, then burst the reds below it
        selectBlock(board.get(), &board->blocks[cellIndex(2, 0, 4)]);
    settle();
    EXPECT_TRUE(followed()) << "after the fall";
    for (const int direction : {kDirLeft, kDirUp, kDirRight, kDirDown, kDirDown, kDirLeft}) {
        rotatePuzzle(board.get(), direction);
        settle();
        EXPECT_TRUE(followed()) << "after turn " << direction;
    }
}

TEST(KeyboardCursor, AHintsTurnOnACopyRestsAsTheGamesOwnTurnDoes) {
    for (const int direction : {kDirLeft, kDirRight, kDirUp, kDirDown}) {
        auto game = std::make_unique<Puzzle>();
        makeRestingBoard(game.get(), 5);
        // Holes that the turn's fall fills, two in a line along each axis.
        for (const auto& [x, y, z] :
             {std::array{0, 1, 0}, {0, 2, 0}, {4, 2, 1}, {4, 2, 2}, {1, 3, 3}, {2, 3, 3}})
            removeBubble(game.get(), x, y, z);
        auto copy = std::make_unique<Puzzle>(*game);
        settleAfterTurn(*copy, direction);
        rotatePuzzle(game.get(), direction);
        runUntilRest(game.get());
        for (int n = 0; n < kNumBlocks; ++n) {
            const BlockState &a = copy->blocks[n].state, &b = game->blocks[n].state;
            ASSERT_EQ(isLive(a) ? a.color : -1, isLive(b) ? b.color : -1) << direction << n;
        }
    }
}

TEST(KeyboardCursor, AHintsGlowEndsWhenTheBoardIsNoLongerTheOneItWasFor) {
    // Nothing is in reach on the board played, everything on a turned copy: the hint pulses a turn.
    const struct {
        const char* change;
        void (*apply)(Puzzle&);
    } cases[] = {
        {"none", [](Puzzle&) {}},
        {"a burst", [](Puzzle& b) { removeBubble(&b, 2, 4, 4); }},
        {"a turn", [](Puzzle& b) { rotatePuzzle(&b, kDirUp); }},
        {"the game's end", [](Puzzle& b) { b.flags |= kPuzzleGameOver; }},
        {"a new game", [](Puzzle& b) { initPuzzleWithSeed(&b, 9); }},
    };
    for (const auto& c : cases) {
        auto board = std::make_unique<Puzzle>();
        makeRestingBoard(board.get(), 5);
        const Puzzle* played = board.get();
        KeyboardCursor cursor([played](const Puzzle& b, CursorScreen& screen) {
            screen.spots.clear();
            for (int n = 0; n < kNumBlocks; ++n)
                if (isLive(b.blocks[n].state))
                    screen.spots.push_back({n, {static_cast<float>(n), 0.0f}, &b != played});
        });
        const int turn = cursor.press(KeyboardCursor::Key::Hint, *board).pulseTurn;
        ASSERT_GE(turn, 0);
        ASSERT_TRUE(cursor.nextPulse(*board)) << c.change;
        c.apply(*board);
        const auto first = cursor.nextPulse(*board);
        const auto second = cursor.nextPulse(*board);
        ASSERT_TRUE(first) << c.change;
        EXPECT_EQ(first->direction, turn) << c.change;
        if (c.change == std::string("none")) {
            EXPECT_GT(first->amount, 0.0f);
            EXPECT_TRUE(second) << "the glow runs on while the board stays";
        } else {
            EXPECT_EQ(first->amount, 0.0f) << c.change;
            EXPECT_FALSE(second) << c.change;
        }
    }
}

// The key map: which modifiers each binding takes, Alt never, and what a held key's repeats do.
TEST(KeyMap, ModifiersSelectTheBindingAndRepeatsFollowTheAction) {
    struct Case {
        KeyCode code;
        bool control, shift, alt;
        std::optional<GameAction> action;
    };
    using A = GameAction;
    const Case cases[] = {
        {KeyCode::Left, false, false, false, A::TurnLeft},
        {KeyCode::Left, false, true, false, std::nullopt}, // Shift+arrow is no turn
        {KeyCode::A, false, false, false, A::CursorLeft},
        {KeyCode::Keypad9, false, false, false, A::CursorUpRight},
        {KeyCode::Return, false, false, false, A::CursorTap},
        {KeyCode::H, true, false, false, A::Scores},
        {KeyCode::F1, false, false, false, A::Help},
        {KeyCode::F1, false, true, false, A::About},
        {KeyCode::F1, true, false, false, std::nullopt},
        {KeyCode::Comma, true, false, false, A::Preferences},
        {KeyCode::Comma, false, false, false, std::nullopt},
        {KeyCode::F2, false, true, false, A::NewGame},
        {KeyCode::F2, true, false, false, std::nullopt},
        {KeyCode::N, true, false, false, A::NewGame},
        {KeyCode::N, false, false, false, std::nullopt},
        {KeyCode::P, false, true, false, A::Pause},
        {KeyCode::Pause, true, true, false, A::Pause},
        {KeyCode::Z, true, false, false, A::Undo},
        {KeyCode::Z, true, true, false, A::Redo},
        {KeyCode::Y, true, false, false, A::Redo},
        {KeyCode::Y, true, true, false, std::nullopt},
        {KeyCode::Escape, false, false, false, A::ClearSelection},
        {KeyCode::Z, true, false, true, std::nullopt}, // Alt: never the game's
    };
    for (const Case& c : cases) {
        KeyEvent key;
        key.code = c.code;
        key.control = c.control;
        key.shift = c.shift;
        key.alt = c.alt;
        EXPECT_EQ(gameActionForKey(key), c.action)
            << static_cast<int>(c.code) << " ctrl " << c.control << " shift " << c.shift;
    }
    EXPECT_EQ(keyRepeatOf(A::TurnDown), KeyRepeat::Acts);
    EXPECT_EQ(keyRepeatOf(A::CursorDownRight), KeyRepeat::Acts);
    EXPECT_EQ(keyRepeatOf(A::CursorHint), KeyRepeat::Swallowed);
    EXPECT_EQ(keyRepeatOf(A::NewGame), KeyRepeat::Passes);
    EXPECT_EQ(cursorKeyOf(A::CursorHint), KeyboardCursor::Key::Hint);
    EXPECT_EQ(cursorKeyOf(A::Undo), std::nullopt);
    EXPECT_EQ(cursorKeyOf(A::Menu), std::nullopt);
}

// What a menu shows beside its items: the first binding of each action, as a player reads it.
TEST(KeyMap, AMenuShowsTheFirstKeyOfEachAction) {
    using A = GameAction;
    const std::pair<A, const char*> cases[] = {
        {A::NewGame, "F2"},      {A::Undo, "Ctrl+Z"},       {A::Redo, "Ctrl+Y"},
        {A::Scores, "Ctrl+H"},   {A::Preferences, "Ctrl+,"}, {A::Help, "F1"},
        {A::About, "Shift+F1"},  {A::Menu, "F10"},          {A::Pause, "P"},
        {A::CursorTap, "Space"},
    };
    for (const auto& [action, label] : cases) {
        const KeyEvent key = keyForAction(action);
        EXPECT_EQ(keyLabel(key), label) << static_cast<int>(action);
        // The key shown does what the menu says.
        EXPECT_EQ(gameActionForKey(key), action) << label;
    }
    KeyEvent both;
    both.code = KeyCode::Z;
    both.control = both.shift = true;
    EXPECT_EQ(keyLabel(both), "Ctrl+Shift+Z");
    EXPECT_EQ(keyLabel(KeyEvent{}), ""); // a key without a name shows nothing
}

// Each button takes its action in the game, through the key the key map binds to it, and acts as
// the panels' key over them.
TEST(PadKeys, EachButtonTakesItsActionThroughTheKeyMap) {
    using B = PadButton;
    using A = GameAction;
    using K = KeyCode;
    const struct {
        B button;
        A inGame;
        K inPanel; // Other: nothing
    } rows[] = {
        {B::A, A::CursorTap, K::Return},
        {B::B, A::ClearSelection, K::Escape},
        {B::X, A::CursorHint, K::Other},
        {B::Y, A::Undo, K::Other},
        {B::Start, A::Pause, K::Other},
        {B::LeftShoulder, A::TurnLeft, K::Other},
        {B::RightShoulder, A::TurnRight, K::Other},
        {B::LeftTrigger, A::TurnUp, K::Other},
        {B::RightTrigger, A::TurnDown, K::Other},
        {B::RightStickUp, A::TurnUp, K::Up},
        {B::RightStickDown, A::TurnDown, K::Down},
        {B::DpadUp, A::CursorUp, K::Up},
        {B::DpadDown, A::CursorDown, K::Down},
        {B::DpadLeft, A::CursorLeft, K::Left},
        {B::DpadRight, A::CursorRight, K::Right},
        {B::LeftStickUp, A::CursorUp, K::Up},
        {B::LeftStickDown, A::CursorDown, K::Down},
        {B::LeftStickLeft, A::CursorLeft, K::Left},
        {B::LeftStickRight, A::CursorRight, K::Right},
    };
    for (const auto& row : rows) {
        for (const PadContext context : {PadContext::Game, PadContext::Help, PadContext::Scores,
                                         PadContext::Preferences, PadContext::OtherPanel,
                                         PadContext::Menu}) {
            for (const bool repeat : {false, true}) {
                const std::optional<KeyEvent> key = padKey({row.button, repeat}, context);
                const auto where = ::testing::Message()
                                   << "button " << static_cast<int>(row.button) << " in context "
                                   << static_cast<int>(context) << (repeat ? ", repeated" : "");
                if (context == PadContext::Game) {
                    ASSERT_TRUE(key) << where;
                    EXPECT_EQ(gameActionForKey(*key), row.inGame) << where;
                } else if (row.inPanel == K::Other) {
                    EXPECT_FALSE(key) << where;
                    continue;
                } else {
                    ASSERT_TRUE(key) << where;
                    EXPECT_EQ(key->code, row.inPanel) << where;
                    EXPECT_FALSE(key->control || key->shift || key->alt) << where;
                }
                EXPECT_EQ(key->repeat, repeat) << where;
            }
        }
    }
    // Back opens the menu over the game and any view, and closes it; held, it does nothing more.
    for (const PadContext context : {PadContext::Game, PadContext::Help, PadContext::Scores,
                                     PadContext::Preferences, PadContext::OtherPanel,
                                     PadContext::Menu}) {
        const std::optional<KeyEvent> key = padKey({B::Back, false}, context);
        ASSERT_TRUE(key) << static_cast<int>(context);
        EXPECT_EQ(gameActionForKey(*key), context == PadContext::Menu ? A::ClearSelection : A::Menu)
            << static_cast<int>(context);
        EXPECT_FALSE(padKey({B::Back, true}, context)) << static_cast<int>(context);
    }
}

} // namespace
