// The clock behind the model's clock hook. The model counts a timed game in calendar seconds; on
// a desktop the calendar can jump (a clock set back or forward, a suspend), so the game counts
// the seconds of a steady source instead, anchored at the calendar time when the clock was made:
// boards are still seeded by calendar seconds, and a change of the system clock neither lengthens
// nor ends a game. While paused the clock stands still.
#pragma once

#include <cstdint>
#include <functional>

class GameClock {
public:
    // Seconds of a source that never goes back; steady_clock by default, a simulated one in
    // scripted runs and tests.
    using Source = std::function<double()>;

    GameClock(std::int64_t calendarAtStart, Source source);
    // Anchored at time() now, on the steady clock.
    GameClock();

    // Calendar seconds: the anchor plus the whole seconds counted since, pauses left out.
    std::int64_t now() const;
    // Seconds of the source until now() changes; infinity while paused.
    double secondsToNextSecond() const;

    // Stops and restarts the count; pausing twice or resuming a running clock does nothing.
    void pause();
    void resume();
    bool isPaused() const { return paused_; }

    // Makes this clock the model's (nullptr: the model's default, time()). The clock must
    // outlive its installation.
    static void install(GameClock* clock);
    static GameClock* installed(); // nullptr when the model runs on time()

private:
    double counted() const; // source seconds since the start, pauses left out

    std::int64_t anchor_;
    Source source_;
    double start_;
    double pausedTotal_ = 0.0;
    double pausedAt_ = 0.0;
    bool paused_ = false;
};
