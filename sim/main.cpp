// spheron-sim: plays whole games without a screen and prints how each one went.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/GameDriver.h"

namespace {

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: spheron-sim [--games N] [--seed S] [--policy random|greedy]\n"
                 "                   [--game-type 0..5] [--think FRAMES] [--max-frames N]\n"
                 "                   [--clock-start SECONDS] [--validate] [--quiet]\n"
                 "Plays N games with seeds S, S+1, ... (default 10 games from seed 1, greedy).\n"
                 "Exit status: 0 when every game ended, 1 when one was still going after\n"
                 "--max-frames (unfinished) or broke an invariant, 2 for a bad argument.\n");
}

bool parseLong(const char* text, long long lo, long long hi, long long* out) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || v < lo || v > hi) return false;
    *out = v;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    long long games = 10, seed = 1, type = 0, think = 5, maxFrames = 200000;
    long long clockStart = 1800000000;
    bool quiet = false;
    GameConfig config;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--validate") {
            config.validate = true;
            continue;
        } else if (arg == "--quiet") {
            quiet = true;
            continue;
        } else if (!value) {
            ok = false;
        } else if (arg == "--games") {
            ok = parseLong(value, 1, 100000000, &games);
        } else if (arg == "--seed") {
            ok = parseLong(value, 0, 0x7FFFFFFF, &seed);
        } else if (arg == "--game-type") {
            ok = parseLong(value, 0, 5, &type);
        } else if (arg == "--think") {
            ok = parseLong(value, 0, 1000, &think);
        } else if (arg == "--max-frames") {
            ok = parseLong(value, 1, 1000000000, &maxFrames);
        } else if (arg == "--clock-start") {
            ok = parseLong(value, 0, 1LL << 40, &clockStart);
        } else if (arg == "--policy") {
            ok = parsePolicy(value, &config.policy);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "spheron-sim: bad argument '%s%s%s'\n", arg.c_str(),
                         value ? " " : "", value ? value : "");
            usage(stderr);
            return 2;
        }
        ++i;
    }
    config.gameType = static_cast<int>(type);
    config.thinkFrames = static_cast<int>(think);
    config.maxFrames = static_cast<std::uint64_t>(maxFrames);
    config.clockStart = clockStart;

    long long ends[6] = {}, failures = 0;
    unsigned long long totalScore = 0, totalFrames = 0, best = 0;
    for (long long g = 0; g < games; ++g) {
        config.seed = static_cast<long>(seed + g);
        const GameResult r = playGame(config);
        ends[static_cast<int>(r.end)] += 1;
        totalScore += r.score;
        totalFrames += r.frames;
        if (r.score > best) best = r.score;
        if (!quiet) {
            std::printf(
                "seed %ld: frames %llu, score %u, bursts %d, turns %d, solver runs %d, %s\n",
                r.seed, static_cast<unsigned long long>(r.frames), r.score, r.bursts, r.turns,
                r.solverRuns, gameEndName(r.end));
        }
        if (!r.error.empty()) {
            ++failures;
            std::fprintf(stderr, "seed %ld: invariant broken at %s\n", r.seed, r.error.c_str());
        }
    }
    std::printf("%lld %s: mean score %.1f, best %llu, mean frames %.0f; cleared %lld, no pairs "
                "%lld, time up %lld, no move left %lld, abandoned %lld, unfinished %lld\n",
                games, games == 1 ? "game" : "games", double(totalScore) / double(games), best,
                double(totalFrames) / double(games), ends[0], ends[1], ends[2], ends[3], ends[4],
                ends[5]);
    return failures == 0 && ends[static_cast<int>(GameEnd::Unfinished)] == 0 ? 0 : 1;
}
