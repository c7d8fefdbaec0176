// The run loop: posted tasks (order, thread, wake-up), repeating timers (rhythm, stalls),
// quitting and SDL's wait. Built for ThreadSanitizer too. What a quiet loop costs in CPU time is
// measured by bench/bench_run_loop.
#include "platform/base/RunLoop.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/Harness.h"

namespace {

using namespace std::chrono_literals;
using Clock = RunLoop::Clock;

// A thread that does `action` after 50 ms.
template <typename Action> std::jthread later(Action action) {
    return std::jthread([action] {
        std::this_thread::sleep_for(50ms);
        action();
    });
}

TEST(RunLoopTasks, RunOnTheLoopThreadInPostingOrderFromManyThreads) {
    RunLoop loop;
    constexpr int kThreads = 8, kPerThread = 500;
    const auto loopThread = std::this_thread::get_id();
    // Touched only by the tasks; ThreadSanitizer flags it if a task ran anywhere else.
    std::vector<std::vector<int>> seen(kThreads);
    int wrongThread = 0, total = 0;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i)
                loop.post([&, t, i] {
                    wrongThread += std::this_thread::get_id() != loopThread;
                    seen[std::size_t(t)].push_back(i);
                    ++total;
                });
        });
    // The loop runs while the posters are still posting.
    ASSERT_TRUE(runLoopUntil([&] { return total == kThreads * kPerThread; }, 10s, loop));
    for (auto& poster : posters)
        poster.join();
    loop.runOnce();
    EXPECT_EQ(total, kThreads * kPerThread); // nothing ran twice
    EXPECT_EQ(wrongThread, 0);
    for (const auto& got : seen)
        for (int i = 0; i < kPerThread; ++i)
            ASSERT_EQ(got.at(std::size_t(i)), i);
}

TEST(RunLoopTimers, TicksComeAtTheIntervalNeverEarlyAndSkipMissedOnesAfterAStall) {
    RunLoop loop;
    const auto start = Clock::now();
    std::vector<Clock::time_point> ticks;
    auto timer = loop.scheduleRepeatingTimer(0.02, [&] { ticks.push_back(Clock::now()); });
    loop.runUntil(start + 410ms);
    // 20 are due, but a loaded machine may deschedule the loop for most of the time: only the
    // upper bounds and "never early" are the timer's to keep.
    ASSERT_GE(ticks.size(), 1u);
    for (std::size_t k = 0; k < ticks.size(); ++k)
        EXPECT_GE(ticks[k] - start, 20ms * int(k + 1)) << "tick " << k;
    EXPECT_LE(ticks.size(), std::size_t((Clock::now() - start) / 20ms));
    timer->invalidate();

    ticks.clear();
    Clock::time_point stallEnd{};
    loop.scheduleRepeatingTimer(0.01, [&] {
        ticks.push_back(Clock::now());
        if (ticks.size() == 1) {
            std::this_thread::sleep_for(150ms); // fifteen ticks missed
            stallEnd = Clock::now();
        }
    }); // dropping the handle does not stop it
    loop.runUntil(Clock::now() + 300ms);
    // The overdue slot at once, then at most the grid's next two slots within 15 ms (the grid
    // keeps its phase, so the first may come a moment later): never a burst of missed ticks.
    int soonAfter = 0;
    for (const auto& t : ticks)
        soonAfter += t >= stallEnd && t < stallEnd + 15ms;
    EXPECT_LE(soonAfter, 3);
    // Catching up would add the fifteen missed ticks on top of the ~13 regular ones.
    EXPECT_LE(ticks.size(), 16u);
    EXPECT_GE(ticks.size(), 1u);
    EXPECT_EQ(loop.activeTimerCount(), 1u);
}

// A suspended timer sleeps until its wake-up time, a posted task or resume(), then keeps its old
// rhythm and counts the slots it slept through. On simulated time.
TEST(RunLoopTimers, ASuspendedTimerWakesInItsRhythmAndCountsTheSlotsItSleptThrough) {
    RunLoop loop;
    loop.setSimulatedTime(true);
    const auto t0 = loop.loopTime();
    std::vector<Clock::duration> ticks;
    auto timer = loop.scheduleRepeatingTimer(0.01, [&] { ticks.push_back(loop.loopTime() - t0); });
    loop.runUntil(t0 + 10ms);
    timer->suspend(t0 + 55ms); // the first slot at or after it is 60 ms
    loop.runUntil(t0 + 70ms);
    EXPECT_EQ(timer->takeSkippedTicks(), 4u);
    timer->suspend();
    loop.runUntil(t0 + 200ms); // asleep: nothing ticks
    loop.post([] {});          // after the pass at 200 ms: the next slot sees it
    loop.runUntil(t0 + 215ms);
    EXPECT_EQ(timer->takeSkippedTicks(), 13u);
    timer->suspend();
    timer->resume();
    loop.runUntil(t0 + 230ms);
    EXPECT_EQ(timer->takeSkippedTicks(), 0u);
    EXPECT_EQ(ticks, (std::vector<Clock::duration>{10ms, 60ms, 70ms, 210ms, 220ms, 230ms}));
    loop.setSimulatedTime(false);
}

// With SDL video up the loop sleeps in SDL's event wait: posts from other threads still wake it,
// and its own wake-up event is not handed out. (The application's suite sends SDL's events
// through the main loop.)
TEST(RunLoopSdl, PostsWakeTheSdlWaitAndAQuitEndsTheLoopWithoutAHandler) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    RunLoop loop;
    int userEvents = 0, quits = 0;
    loop.setEventHandler([&](const SDL_Event& event) {
        userEvents += event.type >= SDL_USEREVENT;
        quits += event.type == SDL_QUIT;
    });
    std::atomic<bool> ran{false};
    const auto start = Clock::now();
    {
        auto poster = later([&] { loop.post([&] { ran = true; }); });
        ASSERT_TRUE(runLoopUntil([&] { return ran.load(); }, 5s, loop));
    }
    EXPECT_LT(Clock::now() - start, 900ms); // sooner than the longest SDL wait
    EXPECT_EQ(userEvents, 0);

    // An SDL quit goes to the handler; without a handler it ends the loop.
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    loop.runOnce();
    EXPECT_EQ(quits, 1);
    loop.setEventHandler(nullptr);
    SDL_PushEvent(&quit);
    EXPECT_FALSE(loop.runUntil(Clock::now() + 5s));

    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

} // namespace
