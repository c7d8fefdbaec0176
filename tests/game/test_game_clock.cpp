// The game clock: a one-minute game on the steady count ends on time when the system clock jumps
// an hour back or forward, where the same game on the calendar runs on or ends at once.
#include "desktop/play/GameClock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "sim/Boards.h"

static std::int64_t wallNow = 0; // the system clock, as this test sets it

// The C library's calendar, replaced in this program: the model's own clock and the game
// clock's anchor both read it.
extern "C" time_t time(time_t* out) noexcept {
    if (out) *out = static_cast<time_t>(wallNow);
    return static_cast<time_t>(wallNow);
}

namespace {

constexpr std::int64_t kWallStart = 1'700'000'000;

// Seconds from the clock's start to the frame that ends a one-minute game, played at 50 frames
// a second without a move while the system clock jumps by `jump` seconds 30 s in; -1 when the
// game still runs after 200 s.
double secondsToTheEnd(bool onGameClock, std::int64_t jump) {
    resetGameGlobals();
    wallNow = kWallStart;
    int frame = 0;
    GameClock clock(static_cast<std::int64_t>(std::time(nullptr)),
                    [&frame] { return frame * 0.02; });
    if (onGameClock) GameClock::install(&clock);
    gameType = 1;
    Puzzle p, same;
    initPuzzle(&p);
    initPuzzleWithSeed(&same, kWallStart); // boards are still seeded by the calendar
    EXPECT_EQ(std::memcmp(p.blocks, same.blocks, sizeof p.blocks), 0);
    double started = -1.0;
    for (; frame < 50 * 200 && !(p.flags & kPuzzleGameOver); ++frame) {
        wallNow = kWallStart + frame / 50 + (frame >= 50 * 30 ? jump : 0);
        updatePuzzle(&p);
        if (started < 0.0 && (p.flags & kPuzzleTimed)) started = frame * 0.02;
    }
    GameClock::install(nullptr);
    return (p.flags & kPuzzleGameOver) ? (frame - 1) * 0.02 - started : -1.0;
}

TEST(GameClock, ATimedGameEndsOnTimeWhenTheSystemClockJumps) {
    for (std::int64_t jump : {-3600, 0, 3600}) {
        const double took = secondsToTheEnd(true, jump); // 61 whole seconds after the start
        EXPECT_TRUE(took > 60.0 && took <= 61.0) << jump << ": " << took;
    }
    // The same game on the calendar: an hour back keeps it going, an hour forward ends it.
    EXPECT_EQ(secondsToTheEnd(false, -3600), -1.0);
    EXPECT_LT(secondsToTheEnd(false, 3600), 31.0);
    resetGameGlobals();
}

} // namespace
