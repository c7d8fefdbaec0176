#include "desktop/play/FrameRest.h"

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <optional>

#include "desktop/play/GameClock.h"
#include "platform/base/RunLoop.h"

namespace {

bool enabled = true;

// Everything of the board record after `frame`, which every tick bumps.
static_assert(offsetof(Puzzle, frame) == 0 && offsetof(Puzzle, counter) == sizeof(std::uint32_t));
constexpr std::size_t kStateOffset = offsetof(Puzzle, counter);

bool sameState(const Puzzle& a, const Puzzle& b) {
    return std::memcmp(reinterpret_cast<const char*>(&a) + kStateOffset,
                       reinterpret_cast<const char*>(&b) + kStateOffset,
                       sizeof(Puzzle) - kStateOffset) == 0;
}

// Waking a little early costs one more tick that changes nothing; waking late would miss the
// second's first frame.
constexpr auto kEarly = std::chrono::milliseconds(1);

// When the frame update can change a resting board by itself, on the main loop's clock (which
// the game clock counts): the next second of a timed game under way, never (max) otherwise.
// None when that cannot be told: the model reads the calendar, so the timer must tick on.
std::optional<RunLoop::Clock::time_point> clockChange(const Puzzle& board) {
    constexpr auto never = RunLoop::Clock::time_point::max();
    if (!(board.flags & kPuzzleTimed) || (board.flags & (kPuzzleGameOver | kPuzzleStarting)))
        return never; // an ended game's clock changes nothing it shows
    const GameClock* clock = GameClock::installed();
    if (!clock) return std::nullopt;
    const double seconds = clock->secondsToNextSecond();
    if (!std::isfinite(seconds)) return never; // paused
    return RunLoop::main().loopTime() +
           std::chrono::duration_cast<RunLoop::Clock::duration>(
               std::chrono::duration<double>(seconds)) -
           kEarly;
}

} // namespace

FrameRest::FrameRest() = default;
FrameRest::~FrameRest() = default;

void FrameRest::setEnabled(bool on) {
    enabled = on;
}

FrameRest::Words FrameRest::currentWords() {
    return {checkSolution,       solveRequest,    opRunning,        quitRequest,     popSndRequest,
            dropSndRequest,      cheerSndRequest, rejectSndRequest, startSndRequest, warnSndRequest,
            highScoreSndRequest, gameType,        hintState,        sfxState,        highScore};
}

void FrameRest::beforeTick(Puzzle& board, RunLoopTimer* timer) {
    if (!timer) return;
    const std::uint64_t slept = timer->takeSkippedTicks();
    if (sleptAtRest_) board.frame += static_cast<std::uint32_t>(slept);
    if (!enabled) return;
    if (!before_) before_ = std::make_unique<Puzzle>();
    std::memcpy(before_.get(), &board, sizeof board);
    words_ = currentWords();
}

void FrameRest::afterTick(const Puzzle& board, RunLoopTimer* timer, bool quiet) {
    if (!timer || !enabled || !quiet || !before_) return;
    // A new share of the clock left is the clock's second, not a move: the next update finds the
    // same second and changes nothing, so the timer may sleep until the next one at once.
    before_->progress = board.progress;
    // A solver launch that failed is tried again by the next tick.
    if ((solveRequest != 0 && opRunning == 0) || !(currentWords() == words_) ||
        !sameState(*before_, board))
        return;
    const auto wake = clockChange(board);
    if (!wake) return;
    sleptAtRest_ = true;
    timer->suspend(*wake);
}

void FrameRest::sleepWhilePaused(RunLoopTimer* timer) {
    if (!timer || !enabled) return;
    sleptAtRest_ = false;
    timer->suspend();
}

void FrameRest::wake(RunLoopTimer* timer) {
    if (timer && timer->isSuspended()) timer->resume();
}
