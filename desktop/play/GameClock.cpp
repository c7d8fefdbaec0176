#include "desktop/play/GameClock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>
#include <utility>

#include "model/Puzzle.h"

namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

GameClock* current = nullptr;

std::int64_t installedNow() {
    return current->now();
}

} // namespace

GameClock::GameClock(std::int64_t calendarAtStart, Source source)
    : anchor_(calendarAtStart), source_(std::move(source)), start_(source_()) {}

GameClock::GameClock() : GameClock(static_cast<std::int64_t>(std::time(nullptr)), steadySeconds) {}

double GameClock::counted() const {
    const double now = paused_ ? pausedAt_ : source_();
    return std::max(0.0, now - start_ - pausedTotal_);
}

std::int64_t GameClock::now() const {
    return anchor_ + static_cast<std::int64_t>(std::floor(counted()));
}

double GameClock::secondsToNextSecond() const {
    if (paused_) return std::numeric_limits<double>::infinity();
    const double counted = this->counted();
    return std::floor(counted) + 1.0 - counted;
}

void GameClock::pause() {
    if (paused_) return;
    pausedAt_ = source_();
    paused_ = true;
}

void GameClock::resume() {
    if (!paused_) return;
    pausedTotal_ += source_() - pausedAt_;
    paused_ = false;
}

void GameClock::install(GameClock* clock) {
    current = clock;
    setPuzzleClock(clock ? installedNow : nullptr);
}

GameClock* GameClock::installed() {
    return current;
}
