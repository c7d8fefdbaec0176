// Cost of the model's hot paths: one frame update over whole played games, and the selection
// fill of a large group.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "model/Puzzle.h"
#include "sim/Boards.h"
#include "sim/GameDriver.h"

namespace {

using Clock = std::chrono::steady_clock;

// Times updatePuzzle alone, frame after frame of greedy games; a new seed when one ends.
void BM_UpdatePuzzlePerFrame(benchmark::State& state) {
    long seed = 1;
    GameConfig config;
    config.thinkFrames = 1;
    auto session = std::make_unique<GameSession>(config);
    for (auto _ : state) {
        session->beforeFrame();
        const auto t0 = Clock::now();
        session->frame();
        const auto t1 = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        if (!session->afterFrame()) {
            session.reset();
            config.seed = ++seed;
            session = std::make_unique<GameSession>(config);
        }
    }
    state.counters["games"] = static_cast<double>(seed);
}
BENCHMARK(BM_UpdatePuzzlePerFrame)->UseManualTime()->Unit(benchmark::kMicrosecond);

// 124 bubbles of one colour and one of another: every other tap selects the group of 124.
void BM_SelectBlockLargeGroup(benchmark::State& state) {
    Puzzle p;
    makeEmptyBoard(&p);
    for (int n = 0; n < kNumBlocks; ++n) {
        putBubble(&p, (n / 5) % 5, n / 25, n % 5, n == 124 ? kColorBlue : kColorRed);
    }
    for (auto _ : state) {
        selectBlock(&p, &p.blocks[124]); // lone: drops the big selection
        const auto t0 = Clock::now();
        selectBlock(&p, &p.blocks[0]);
        const auto t1 = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        benchmark::DoNotOptimize(p.selectScore);
    }
    if (p.selectScore != 123u * 123u) state.SkipWithError("the group of 124 was not selected");
    resetGameGlobals();
}
BENCHMARK(BM_SelectBlockLargeGroup)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace
