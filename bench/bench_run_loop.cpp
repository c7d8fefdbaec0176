// What a resting main loop costs: CPU seconds spent in one second of wall time by a loop with
// nothing to do and by one ticking a 50-a-second timer. A busy or 1 ms polling loop would burn
// far more than 5 % of a core; the sleeping one should stay well below that.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>

#include "platform/base/RunLoop.h"

namespace {

using namespace std::chrono_literals;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Reports the CPU share as "cpu_per_s" (CPU seconds per wall second) and the ticks seen.
void BM_RunLoopIdleSecond(benchmark::State& state) {
    const bool ticking = state.range(0) != 0;
    RunLoop loop;
    double cpu = 0.0;
    long ticks = 0;
    for (auto _ : state) {
        auto timer = loop.scheduleRepeatingTimer(0.02, [&] { ++ticks; });
        if (!ticking) timer->invalidate();
        const double before = cpuSeconds();
        loop.runUntil(RunLoop::Clock::now() + 1s);
        cpu += cpuSeconds() - before;
        timer->invalidate();
    }
    state.counters["cpu_per_s"] = cpu / static_cast<double>(state.iterations());
    state.counters["ticks"] = static_cast<double>(ticks);
}
BENCHMARK(BM_RunLoopIdleSecond)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
