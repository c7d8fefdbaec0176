// Start-up time and resident memory of the real program, watched from outside as a player would
// start it: offscreen video, no sound card, preferences in a temporary file. Each figure comes
// with the same figure for probe_gles, the smallest GL ES program on this driver: the floor.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Everything a run needs besides its arguments, set up once.
struct Setting {
    std::filesystem::path folder;
    Setting() {
        char name[] = "/tmp/spheron-bench-XXXXXX";
        if (mkdtemp(name)) folder = name;
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("SPHERON_PREFERENCES", (folder / "preferences.plist").c_str(), 1);
    }
    ~Setting() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

const Setting& setting() {
    static Setting s;
    return s;
}

struct Child {
    pid_t pid = -1;
    int out = -1; // the read end of its standard output
    std::string seen;
};

Child start(const std::vector<std::string>& args) {
    setting();
    Child child;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    child.out = fds[0];
    return child;
}

// Reads the child's output until `line` appears; false when it ends or times out first.
bool waitForLine(Child& child, const char* line, int timeoutMs = 20000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (child.seen.find(line) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{child.out, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        char buffer[256];
        const ssize_t n = read(child.out, buffer, sizeof buffer);
        if (n <= 0) return false;
        child.seen.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

// True when the child has ended; reaps it.
bool ended(Child& child) {
    int status = 0;
    if (child.pid <= 0) return true;
    if (waitpid(child.pid, &status, WNOHANG) != child.pid) return false;
    child.pid = -1;
    return true;
}

// The game ends in order on SIGTERM; the probe takes no signals and is killed.
void stop(Child& child, int signal = SIGTERM) {
    if (child.pid > 0) {
        kill(child.pid, signal);
        int status = 0;
        waitpid(child.pid, &status, 0);
        child.pid = -1;
    }
    if (child.out >= 0) close(child.out);
    child.out = -1;
}

struct Resident {
    double total = 0; // MiB
    double anon = 0;
    double file = 0;
    double high = 0; // the kernel's high-water mark, which sees peaks between samples
};

// /proc/PID/status of a live child; all zero once it has gone.
Resident resident(pid_t pid) {
    Resident r;
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    double kib = 0;
    while (in >> key) {
        if (key == "VmRSS:" && in >> kib) r.total = kib / 1024.0;
        if (key == "RssAnon:" && in >> kib) r.anon = kib / 1024.0;
        if (key == "RssFile:" && in >> kib) r.file = kib / 1024.0;
        if (key == "VmHWM:" && in >> kib) r.high = kib / 1024.0;
    }
    return r;
}

std::vector<std::string> gameCommand(int scale) {
    return {SPHERON_EXE, "--scale", std::to_string(scale), "--report-first-frame"};
}

std::vector<std::string> probeCommand(int scale, double seconds) {
    return {PROBE_GLES_EXE, std::to_string(scale), std::to_string(seconds)};
}

// Cold: as at the first start on a machine, with an empty shader cache (Mesa's software
// renderer otherwise finds the shaders it compiled at an earlier start on disk).
void timeToFirstFrame(benchmark::State& state, bool probe, bool cold = false) {
    const int scale = static_cast<int>(state.range(0));
    double worst = 0;
    static int run = 0; // a new folder for every start, across repetitions too
    for (auto _ : state) {
        if (cold) {
            const auto cache = setting().folder / ("shader-cache-" + std::to_string(run++));
            setenv("MESA_SHADER_CACHE_DIR", cache.c_str(), 1);
        }
        const auto t0 = Clock::now();
        Child child = start(probe ? probeCommand(scale, 30.0) : gameCommand(scale));
        const bool shown = waitForLine(child, "first frame");
        const std::chrono::duration<double> took = Clock::now() - t0;
        stop(child, probe ? SIGKILL : SIGTERM);
        if (!shown) {
            state.SkipWithError("no first frame reported");
            break;
        }
        state.SetIterationTime(took.count());
        worst = std::max(worst, took.count() * 1000.0);
    }
    if (cold) unsetenv("MESA_SHADER_CACHE_DIR");
    state.counters["worst_ms"] = worst;
}

void BM_StartToFirstFrame(benchmark::State& state) {
    timeToFirstFrame(state, false);
}
void BM_ProbeStartToFirstFrame(benchmark::State& state) {
    timeToFirstFrame(state, true);
}
void BM_ColdStartToFirstFrame(benchmark::State& state) {
    timeToFirstFrame(state, false, true);
}
void BM_ProbeColdStartToFirstFrame(benchmark::State& state) {
    timeToFirstFrame(state, true, true);
}
BENCHMARK(BM_StartToFirstFrame)->Arg(1)->Arg(2)->Iterations(10)->UseManualTime()->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_ProbeStartToFirstFrame)->Arg(1)->Arg(2)->Iterations(10)->UseManualTime()->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_ColdStartToFirstFrame)->Arg(1)->Arg(2)->Iterations(5)->UseManualTime()->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_ProbeColdStartToFirstFrame)->Arg(1)->Arg(2)->Iterations(5)->UseManualTime()->Unit(
    benchmark::kMillisecond);

// Board 7 played by script to its end by the greedy player (select and burst the largest group
// a click reaches, else turn), then a screenshot that ends the run: the same game every run,
// solver runs included. A script's frames are updated but not drawn, except the screenshot's.
std::vector<std::string> playingCommand(int scale, const std::string& shot, int game = 7) {
    return {SPHERON_EXE, "--scale",  std::to_string(scale), "--report-first-frame",
            "--game",    std::to_string(game), "--play",    "greedy",
            "--screenshot", shot,    "--screenshot-after",  "1"};
}

struct Watch {
    Resident peak;
    double high = 0;
    double sum = 0;
    int samples = 0;
};

// Samples the child's resident memory every 50 ms from its first frame until it ends; false
// when no first frame came. The seconds it ran go to `took`.
bool watchUntilEnded(Child& child, Watch& w, double& took) {
    if (!waitForLine(child, "first frame")) {
        stop(child, SIGKILL);
        return false;
    }
    const auto t0 = Clock::now();
    while (!ended(child)) {
        const Resident r = resident(child.pid);
        if (r.total > 0) {
            if (r.total > w.peak.total) w.peak = r;
            w.high = std::max(w.high, r.high);
            w.sum += r.total;
            ++w.samples;
        }
        usleep(50000);
    }
    took = std::chrono::duration<double>(Clock::now() - t0).count();
    stop(child);
    return true;
}

void residentWhileRunning(benchmark::State& state, bool probe) {
    const int scale = static_cast<int>(state.range(0));
    Watch w;
    for (auto _ : state) {
        const std::string shot = (setting().folder / "shot.png").string();
        Child child = start(probe ? probeCommand(scale, 10.0) : playingCommand(scale, shot));
        double took = 0;
        if (!watchUntilEnded(child, w, took)) {
            state.SkipWithError("no first frame reported");
            break;
        }
        state.SetIterationTime(took);
    }
    state.counters["peak_MiB"] = w.peak.total;
    state.counters["peak_anon_MiB"] = w.peak.anon;
    state.counters["peak_file_MiB"] = w.peak.file;
    state.counters["mean_MiB"] = w.samples ? w.sum / w.samples : 0.0;
    state.counters["hwm_MiB"] = w.high;
    state.counters["samples"] = w.samples;
}

void BM_ResidentWhilePlaying(benchmark::State& state) {
    residentWhileRunning(state, false);
}
void BM_ProbeResident(benchmark::State& state) {
    residentWhileRunning(state, true);
}
BENCHMARK(BM_ResidentWhilePlaying)->Arg(1)->Arg(2)->Iterations(1)->UseManualTime()->Unit(
    benchmark::kSecond);
BENCHMARK(BM_ProbeResident)->Arg(1)->Arg(2)->Iterations(1)->UseManualTime()->Unit(
    benchmark::kSecond);

// Boards 1 to 10 played to their ends one after another, each by a new process: the highest
// high-water mark of them (and which board), and the mean of their high-water marks. A game
// that runs long shows here what one board does not.
void BM_ResidentOverBoards(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    constexpr int kBoards = 10;
    double worst = 0;
    double sum = 0;
    int worstBoard = 0;
    for (auto _ : state) {
        double seconds = 0;
        for (int game = 1; game <= kBoards; ++game) {
            const std::string shot = (setting().folder / "shot.png").string();
            Child child = start(playingCommand(scale, shot, game));
            Watch w;
            double took = 0;
            if (!watchUntilEnded(child, w, took)) {
                state.SkipWithError("no first frame reported");
                return;
            }
            seconds += took;
            sum += w.high;
            if (w.high > worst) {
                worst = w.high;
                worstBoard = game;
            }
        }
        state.SetIterationTime(seconds);
    }
    state.counters["worst_hwm_MiB"] = worst;
    state.counters["worst_board"] = worstBoard;
    state.counters["mean_hwm_MiB"] = sum / (kBoards * double(state.iterations()));
}
BENCHMARK(BM_ResidentOverBoards)->Arg(2)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
