// Whether the game view's frame timer may sleep. A tick that leaves the board (its frame count
// aside) and the model's words as it found them is a fixed point of the frame update: every tick
// after it does the same nothing until input, a posted task (the solver's answer) or, in a timed
// game, the clock's next second changes what the update sees. So the timer sleeps until then,
// and the ticks it slept through go into the frame count as if they had come.
#pragma once

#include <memory>

#include "model/Puzzle.h"

class RunLoopTimer;

class FrameRest {
public:
    FrameRest();
    ~FrameRest();
    FrameRest(const FrameRest&) = delete;
    FrameRest& operator=(const FrameRest&) = delete;

    // On by default; off, the timer ticks every frame (tests compare the two).
    static void setEnabled(bool on);

    // At the start of a tick on `timer` (none: a tick called directly, which never sleeps): the
    // ticks slept through at rest into the board's frame count, and the board and the model's
    // words as the tick finds them.
    void beforeTick(Puzzle& board, RunLoopTimer* timer);
    // At its end: when it changed nothing and nothing else asked for a frame (`quiet`), the
    // timer sleeps until input, a posted task or the next second of a timed game's clock.
    void afterTick(const Puzzle& board, RunLoopTimer* timer, bool quiet);
    // A paused game: the timer sleeps until input; the ticks slept through count for nothing.
    void sleepWhilePaused(RunLoopTimer* timer);
    // Something that can change the game came from neither an event nor a posted task (the tilt
    // control's samples): the timer ticks again from its next slot.
    static void wake(RunLoopTimer* timer);

private:
    struct Words {
        int checkSolution, solveRequest, opRunning, quitRequest;
        int pop, drop, cheer, reject, start, warn, highScoreSound;
        int gameType, hintState, sfxState;
        unsigned highScore;
        bool operator==(const Words&) const = default;
    };
    static Words currentWords();

    std::unique_ptr<Puzzle> before_; // the board as the tick found it
    Words words_{};
    bool sleptAtRest_ = false; // the ticks slept through count as frames
};
