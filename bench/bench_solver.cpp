// Move solver timings: one whole run on a board without a move, and the time from cancel() on a
// long search to its completion block. Depends on the solver and the shared solver boards.
#include "Classes/SolveOperation.h"
#include "sim/SolverBoards.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <latch>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void BM_SolveNoMoveBoard(benchmark::State& state) {
    Puzzle board;
    makeNoMoveBoard(&board);
    for (auto _ : state) {
        auto op = SolveOperation::initWithPuzzleData(&board);
        op->main();
        if (op->solved() || op->boardsExamined() != 65) state.SkipWithError("wrong answer");
        benchmark::DoNotOptimize(op);
    }
}
BENCHMARK(BM_SolveNoMoveBoard)->Unit(benchmark::kMicrosecond);

void BM_CancelToCompletion(benchmark::State& state) {
    const auto searchFor = std::chrono::microseconds(state.range(0));
    Puzzle board;
    makeNoMoveBoard(&board);
    OperationQueue queue;
    std::vector<double> latencies; // seconds; the mean alone hides the scheduler's outliers
    for (auto _ : state) {
        auto op = LongSolve::make(board);
        std::mutex mutex;
        std::condition_variable done;
        bool completed = false;
        Clock::time_point completedAt;
        op->setCompletionBlock([&] {
            auto now = Clock::now();
            std::lock_guard lock(mutex);
            completedAt = now;
            completed = true;
            done.notify_one();
        });
        queue.addOperation(op);
        op->started.wait();
        std::this_thread::sleep_for(searchFor);

        const auto cancelledAt = Clock::now();
        op->cancel();
        {
            std::unique_lock lock(mutex);
            done.wait(lock, [&] { return completed; });
        }
        const double latency = std::chrono::duration<double>(completedAt - cancelledAt).count();
        state.SetIterationTime(latency);
        latencies.push_back(latency);
        if (!op->solved()) state.SkipWithError("a cancelled run answered NO");
        queue.waitUntilAllOperationsAreFinished();
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        state.counters["median_us"] = latencies[latencies.size() / 2] * 1e6;
        state.counters["max_us"] = latencies.back() * 1e6;
    }
}
// Argument: how long the search runs before the cancel, in microseconds. After 300 it is still
// within a normal run's budget; later ones hold hundreds of queued boards to free.
BENCHMARK(BM_CancelToCompletion)
    ->Arg(300)
    ->Arg(1000)
    ->Arg(5000)
    ->Iterations(200) // each one searches for the argument first
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace
