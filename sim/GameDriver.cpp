// Headless games: the frame loop of the game view without drawing, a scripted player and the
// real solver operation. Drives the global `puzzle`, so only one game runs at a time.
#include "sim/GameDriver.h"

#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

#include "Classes/SolveOperation.h"
#include "model/Puzzle.h"
#include "platform/base/OperationQueue.h"
#include "sim/Boards.h"
#include "sim/Validate.h"

namespace {

constexpr int kFramesPerSecond = 50;
// A board that stays busy this long is stuck: nothing in the game animates for so long.
constexpr int kMaxBusyFrames = 2000;

std::int64_t simulatedClockStart = 0;
std::uint64_t simulatedFrame = 0;
std::int64_t simulatedClock() {
    return simulatedClockStart + static_cast<std::int64_t>(simulatedFrame / kFramesPerSecond);
}

int vibrationCount = 0;
void countVibration(std::uint32_t soundId) {
    if (soundId == kSystemSoundID_Vibrate) ++vibrationCount;
}

// Tasks posted from the solver's thread, run on the driver's thread between frames: the
// driver's stand-in for the main thread's run loop.
class Mailbox {
public:
    void post(std::function<void()> task) {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    void drain() {
        std::vector<std::function<void()>> ready;
        {
            std::lock_guard lock(mutex_);
            ready.swap(tasks_);
        }
        for (auto& task : ready) task();
    }

private:
    std::mutex mutex_;
    std::vector<std::function<void()>> tasks_;
};

// The game view's solver handshake, without the view.
class SolverHost {
public:
    explicit SolverHost(Mailbox& mailbox) : mailbox_(mailbox) {}
    ~SolverHost() { cancel(); }

    // Called after the frame update, as the view's tick does.
    void launchIfAsked(int& runs) {
        if (solveRequest == 0 || opRunning != 0) return;
        if (operation_) {
            queue_->cancelAllOperations();
            operation_.reset();
        }
        auto op = SolveOperation::initWithPuzzleData(&puzzle);
        if (!op) return; // nothing launched; the request stays and is retried next tick
        operation_ = op;
        std::weak_ptr<SolveOperation> weak = op;
        op->setCompletionBlock([this, weak] { mailbox_.post([this, weak] { finished(weak); }); });
        queue_ = std::make_unique<OperationQueue>();
        queue_->addOperation(op);
        opRunning = 1;
        solveRequest = 0;
        ++runs;
    }

    // Makes the run's answer arrive before the next frame, so that a seed replays exactly.
    void waitForRun() {
        if (queue_) queue_->waitUntilAllOperationsAreFinished();
    }

    void cancel() {
        operation_.reset();
        if (queue_) {
            queue_->cancelAllOperations();
            queue_->waitUntilAllOperationsAreFinished();
        }
    }

private:
    void finished(const std::weak_ptr<SolveOperation>& weak) {
        auto op = weak.lock();
        if (!op || op != operation_) return; // not the watched run
        if (!op->solved()) {
            quitRequest = 1;
            solveRequest = 0;
        }
        operation_.reset();
        queue_.reset(); // joins the worker, which is done with this run
        opRunning = 0;
    }

    Mailbox& mailbox_;
    std::unique_ptr<OperationQueue> queue_;
    std::shared_ptr<SolveOperation> operation_;
};

// Cells of every group of two or more live bubbles, largest first (ties: lowest cell first).
std::vector<int> largestGroup(const Puzzle& p) {
    bool seen[kNumBlocks] = {};
    std::vector<int> best, group, work;
    for (int start = 0; start < kNumBlocks; ++start) {
        if (seen[start] || !isLive(p.blocks[start].state)) continue;
        group.clear();
        work.assign(1, start);
        seen[start] = true;
        while (!work.empty()) {
            const int n = work.back();
            work.pop_back();
            group.push_back(n);
            for (int f : p.blocks[n].friends) {
                if (f < 0 || seen[f] || !isLive(p.blocks[f].state)) continue;
                if (p.blocks[f].state.color != p.blocks[start].state.color) continue;
                seen[f] = true;
                work.push_back(f);
            }
        }
        if (group.size() >= 2 && group.size() > best.size()) best = group;
    }
    return best;
}

class Player {
public:
    Player(Policy policy, long seed) : policy_(policy), rng_(static_cast<std::uint64_t>(seed)) {}

    // One action on a board at rest: a tap (returns the cell) or a turn (returns -1, sets dir).
    int choose(const Puzzle& p, int* direction) {
        if (policy_ == Policy::Greedy) return chooseGreedy(p, direction);
        return chooseRandom(p, direction);
    }

private:
    int chooseGreedy(const Puzzle& p, int* direction) {
        const std::vector<int> group = largestGroup(p);
        if (group.empty()) {
            // No pair in sight: turn over and let the bubbles fall along the new vertical.
            *direction = static_cast<int>(next(4));
            return -1;
        }
        return group.front(); // the first tap selects, the second on the same cell bursts
    }

    int chooseRandom(const Puzzle& p, int* direction) {
        if (next(8) == 0) {
            *direction = static_cast<int>(next(4));
            return -1;
        }
        std::vector<int> live, selected;
        for (int n = 0; n < kNumBlocks; ++n) {
            if (!isLive(p.blocks[n].state)) continue;
            live.push_back(n);
            if (p.blocks[n].state.flags & kBlockSelected) selected.push_back(n);
        }
        if (p.selectScore > 0 && !selected.empty() && next(2) == 0)
            return selected[next(selected.size())];
        return live.empty() ? -1 : live[next(live.size())];
    }

    // Reduced without a library distribution, so the choices are the same everywhere.
    std::size_t next(std::size_t bound) { return static_cast<std::size_t>(rng_() % bound); }

    Policy policy_;
    std::mt19937_64 rng_;
};

GameEnd endReason(const Puzzle& p, const ColorCounts& live, std::int64_t now) {
    int total = 0, pairs = 0;
    for (int c : live.count) {
        total += c;
        pairs += c >= 2 ? 1 : 0;
    }
    if (total == 0) return GameEnd::Cleared;
    if (pairs == 0) return GameEnd::NoPairs;
    if ((p.flags & kPuzzleTimed) &&
        static_cast<float>(elapsedSeconds(p.startTime, now)) > p.numGameSecs)
        return GameEnd::TimeUp;
    return GameEnd::NoMoveLeft;
}

void consumeSoundRequests() {
    popSndRequest = dropSndRequest = cheerSndRequest = rejectSndRequest = 0;
    startSndRequest = warnSndRequest = highScoreSndRequest = 0;
}

// Checks a tap against the colour counts: nothing changes, or one group of n bubbles of one
// colour bursts and earns (n - 1)^2 points.
std::string checkTap(const ColorCounts& before, const ColorCounts& after, std::uint32_t scoreBefore,
                     std::uint32_t scoreAfter, int* bursts) {
    int changedColors = 0, popped = 0;
    for (int c = 0; c < kNumColors; ++c) {
        const int d = before.count[c] - after.count[c];
        if (d < 0) return "a tap added bubbles";
        if (d > 0) {
            ++changedColors;
            popped += d;
        }
    }
    if (popped == 0) return scoreAfter == scoreBefore ? "" : "score changed without a burst";
    if (changedColors != 1 || popped < 2) return "a burst took other than one group";
    if (scoreAfter - scoreBefore != groupScore(popped)) return "burst points are not (n - 1)^2";
    ++*bursts;
    return {};
}

bool sameCounts(const ColorCounts& a, const ColorCounts& b) {
    for (int c = 0; c < kNumColors; ++c) {
        if (a.count[c] != b.count[c]) return false;
    }
    return true;
}

} // namespace

const char* gameEndName(GameEnd end) {
    switch (end) {
    case GameEnd::Cleared: return "cleared";
    case GameEnd::NoPairs: return "no pairs";
    case GameEnd::TimeUp: return "time up";
    case GameEnd::NoMoveLeft: return "no move left";
    case GameEnd::Abandoned: return "abandoned";
    case GameEnd::Unfinished: return "unfinished";
    }
    return "unfinished";
}

bool parsePolicy(const std::string& text, Policy* out) {
    if (text == "random") *out = Policy::Random;
    else if (text == "greedy") *out = Policy::Greedy;
    else return false;
    return true;
}

struct GameSession::State {
    explicit State(const GameConfig& c) : config(c), solver(mailbox), player(c.policy, c.seed) {}

    bool fail(const std::string& why) {
        if (result.error.empty() && !why.empty())
            result.error = "frame " + std::to_string(simulatedFrame) + ": " + why;
        return !result.error.empty();
    }

    GameConfig config;
    GameResult result;
    Mailbox mailbox;
    SolverHost solver;
    Player player;
    std::uint32_t pointsEarned = 0;
    int waited = 0;
    int busyFrames = 0;
    int turnsSinceBurst = 0;
    ColorCounts beforeUpdate{};
    bool over = false;
};

GameSession::GameSession(const GameConfig& config) {
    resetGameGlobals();
    gameType = config.gameType;
    simulatedClockStart = config.clockStart;
    simulatedFrame = 0;
    vibrationCount = 0;
    setPuzzleClock(simulatedClock);
    setSystemSoundHandler(countVibration);
    state_ = new State(config);
    state_->result.seed = config.seed;
    initPuzzleWithSeed(&puzzle, config.seed);
}

GameSession::~GameSession() {
    state_->solver.cancel();
    delete state_;
    setPuzzleClock(nullptr);
    setSystemSoundHandler(nullptr);
}

const GameResult& GameSession::result() const { return state_->result; }

void GameSession::beforeFrame() {
    State& st = *state_;
    st.solver.waitForRun();
    st.mailbox.drain();
    const bool atRest = !(puzzle.flags & (kPuzzleBusy | kPuzzleGameOver | kPuzzleStarting));
    if (atRest && ++st.waited > st.config.thinkFrames) {
        st.waited = 0;
        int direction = 0;
        const int cell = st.player.choose(puzzle, &direction);
        const ColorCounts before = liveColorCounts(puzzle);
        const std::uint32_t scoreBefore = puzzle.score;
        if (cell >= 0) {
            selectBlock(&puzzle, &puzzle.blocks[cell]);
        } else {
            rotatePuzzle(&puzzle, direction);
            ++st.result.turns;
        }
        if (puzzle.score > scoreBefore) st.pointsEarned += puzzle.score - scoreBefore;
        st.turnsSinceBurst = puzzle.score > scoreBefore ? 0 : st.turnsSinceBurst + (cell < 0);
        if (st.turnsSinceBurst > st.config.giveUpTurns && !st.over) {
            st.over = true;
            st.result.end = GameEnd::Abandoned;
        }
        if (st.config.validate) {
            st.fail(checkTap(before, liveColorCounts(puzzle), scoreBefore, puzzle.score,
                             &st.result.bursts));
        } else if (puzzle.score > scoreBefore) {
            ++st.result.bursts;
        }
    }
    if (st.config.validate) st.beforeUpdate = liveColorCounts(puzzle);
}

void GameSession::frame() { updatePuzzle(&puzzle); }

bool GameSession::afterFrame() {
    State& st = *state_;
    ++simulatedFrame;
    st.result.frames = simulatedFrame;
    st.result.score = puzzle.score;
    consumeSoundRequests();
    puzzle.flags &= ~kPuzzleProgressChanged;
    st.solver.launchIfAsked(st.result.solverRuns);

    st.busyFrames = (puzzle.flags & kPuzzleBusy) ? st.busyFrames + 1 : 0;
    if (st.config.validate) {
        st.fail(validatePuzzle(puzzle));
        if (!sameCounts(st.beforeUpdate, liveColorCounts(puzzle)))
            st.fail("live colours changed without a burst");
        if (st.pointsEarned != puzzle.score) st.fail("score is not the sum of the bursts");
        if (st.busyFrames > kMaxBusyFrames) st.fail("the board stays busy");
    }
    if ((puzzle.flags & kPuzzleGameOver) && !st.over) {
        st.over = true;
        st.result.end = endReason(puzzle, liveColorCounts(puzzle), simulatedClock());
    }
    st.result.vibrations = vibrationCount;
    return !st.over && st.result.error.empty() && simulatedFrame < st.config.maxFrames;
}

bool GameSession::tick() {
    beforeFrame();
    if (!state_->result.error.empty() || state_->over) return false;
    frame();
    return afterFrame();
}

GameResult playGame(const GameConfig& config) {
    GameSession session(config);
    while (session.tick()) {
    }
    return session.result();
}
