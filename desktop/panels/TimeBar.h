// The time bar over the game view: filled at a game's start, hidden for an untimed game, drawn
// down as the clock runs with the time left written on it, and red and pulsing in a timed game's
// last ten seconds. The bar is a progress view the window owns.
#pragma once

#include <cstdint>
#include <string>

class ProgressView;

class TimeBar {
public:
    void attach(ProgressView* bar) { bar_ = bar; }
    ProgressView* bar() const { return bar_; }

    // Full with all of a game's `seconds` written on it, and hidden for an untimed game (0).
    void refill(int seconds);
    // The share of a `seconds`-long game left, drawn and written on the bar as m:ss; true when
    // the bar changed.
    bool showProgress(float progress, float seconds);
    // A new game: the standard colour.
    void clearWarning();
    // The warning shown or taken away for frame `frame`; true when the bar changed.
    bool followWarning(bool warned, std::uint32_t frame);

private:
    ProgressView* bar_ = nullptr;
};

// "m:ss" for a count of seconds (none below 0).
std::string timeLeftText(int seconds);
