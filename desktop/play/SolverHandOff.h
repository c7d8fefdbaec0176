// The board's hand-off to the background solver: one run at a time on a queue of its own, its
// answer taken on the main loop, a run that is no longer wanted cancelled and waited for. The
// run's type is the caller's: it makes the runs and reads their answers.
#pragma once

#include <functional>
#include <memory>

#include "model/Puzzle.h"
#include "platform/base/OperationQueue.h"

class SolverHandOff {
public:
    // A run on a copy of the board (nullptr: no memory); whether a finished run found a move.
    using MakeRun = std::function<std::shared_ptr<Operation>(const Puzzle* board)>;
    using FoundMove = std::function<bool(const Operation& run)>;
    SolverHandOff(MakeRun makeRun, FoundMove foundMove);
    // Cancels and waits for a run; completions still queued on the main loop find it gone.
    ~SolverHandOff();
    SolverHandOff(const SolverHandOff&) = delete;
    SolverHandOff& operator=(const SolverHandOff&) = delete;

    // An idle queue and no run watched.
    void makeIdleQueue();
    // A run on `board` on a new queue, watched; the request flags say one runs. A run still
    // watched while the flags say none runs is let go unheard.
    void launch(const Puzzle& board);
    // On the main thread, for every run that finished: acted on only for the watched one. No
    // move left: the next frame update ends the game.
    void runFinished(const std::shared_ptr<Operation>& run);
    // Stops watching the run, cancels it and waits until it has ended. The queue stays.
    void cancelRun();
    // Scripted runs: the watched run's answer now, as the next frame would see it.
    void takeAnswerNow();

    OperationQueue* queue() const { return queue_.get(); }
    const std::shared_ptr<Operation>& watched() const { return run_; }

private:
    MakeRun makeRun_;
    FoundMove foundMove_;
    std::unique_ptr<OperationQueue> queue_;
    std::shared_ptr<Operation> run_;
    // Lets completions posted to the main loop find out that the hand-off has gone.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};
