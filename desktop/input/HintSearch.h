// The hint's look ahead: the solver's own breadth-first search over series of quarter turns,
// with its budget, asked for a group of two or more bubbles that a click can reach. It runs on a
// copy of the board, on a queue of its own, and its answer comes back on the main loop.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Classes/SolveOperation.h"
#include "model/Puzzle.h"
#include "platform/base/OperationQueue.h"

class HintSearch : public SolveOperation {
public:
    // Marks the live cells that a click picks on a board at rest. Called on the search's thread:
    // it may not touch GL or anything the main thread changes.
    using ReachTest = std::function<void(Puzzle& board, bool reachable[kNumBlocks])>;
    // A search of a copy of `board` (which should be at rest); nullptr when memory ran out.
    static std::shared_ptr<HintSearch> make(const Puzzle& board, ReachTest reach);

    // The solver's run; its answer is kept unless the search was cancelled.
    void main() override;
    // A group of two or more with a bubble in reach; NO when it notices a cancellation.
    bool matchFound(Puzzle* p) override;

    // Once finished: the quarter turns (kDir* codes of the game's turns, as the arrow buttons
    // make them) that bring such a group into reach, empty when one is in reach already; none
    // when the search found no such series within its budget or was cancelled.
    const std::optional<std::vector<int>>& turns() const { return turns_; }

private:
    HintSearch(const Puzzle& board, ReachTest reach);
    ReachTest reach_;
    std::optional<std::vector<int>> turns_;
};

// The game's turn whose re-gridding is solver permutation `permutation`: the model turns up and
// down through the opposite permutations of the x axis.
int gameTurnOfPermutation(int permutation);

// One hint search at a time: a newer one, or cancel(), lets go of the one before unheard.
class HintSearcher {
public:
    HintSearcher() = default;
    ~HintSearcher(); // cancels a search and waits for it
    HintSearcher(const HintSearcher&) = delete;
    HintSearcher& operator=(const HintSearcher&) = delete;

    // Starts a search of `board`; `answered` runs on the main loop once it finished, unless a
    // newer search or cancel() came first. False when memory ran out.
    bool start(const Puzzle& board, HintSearch::ReachTest reach, std::function<void()> answered);
    // Waits for the running search and returns it (scripted runs, where the answer must come
    // before the next frame); its posted notice then finds it taken.
    std::shared_ptr<HintSearch> waitForAnswer();
    // The finished search whose notice came, once.
    std::shared_ptr<HintSearch> takeAnswer();
    void cancel();
    bool running() const { return current_ != nullptr && !current_->isFinished(); }

private:
    std::unique_ptr<OperationQueue> queue_;
    std::shared_ptr<HintSearch> current_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};
