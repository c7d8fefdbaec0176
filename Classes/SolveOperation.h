// The background move solver: a breadth-first search, on a private copy of the board, over
// series of quarter turns (each followed by the fall) for two touching bubbles of one colour.
// Depends on the model and the operation queue only; never touches the global `puzzle`.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "model/Puzzle.h"
#include "platform/base/OperationQueue.h"

// The quarter turns that made a search board from the first one; the search is breadth-first
// within its budget, so a series never comes near the bound.
struct TurnSeries {
    static constexpr int kMostTurns = 32;
    std::int8_t turns[kMostTurns];
    std::int8_t length; // -1: longer than kMostTurns, not kept
};

class SolveOperation : public Operation {
public:
    static constexpr int kNumLevels = 16; // boards expanded by one run

    // Copies the whole record; nullptr when `p` is null or memory cannot be had.
    static std::shared_ptr<SolveOperation> initWithPuzzleData(const Puzzle* p);

    // Searches the copy and stores the answer in solved(), unless the run was cancelled or could
    // not look at every board it should have (memory ran out): then solved() stays YES, since
    // an unfinished search is no proof that the game is stuck.
    void main() override;

    // YES at creation; NO only after a complete, uncancelled search that found no move.
    bool solved() const { return solved_.load(std::memory_order_acquire); }

    // The search, public so that tests can drive its parts. All of them work on the Puzzle they
    // are given; only the search allocates (its own boards, freed before it returns).

    // YES when a move was found. NO alone does not mean "no move": see lastSearchComplete().
    bool solveLinear(Puzzle* p, int numLevels);
    // What the search looks for on each board it meets: findBlockMatch here. A subclass may look
    // for something narrower; the boards, their order and the budget stay the same.
    virtual bool matchFound(Puzzle* p) { return findBlockMatch(p); }
    // Two face-adjacent live bubbles of one colour; NO when it notices a cancellation.
    bool findBlockMatch(Puzzle* p);
    // One quarter turn (re-gridding permutation `direction`), then the fall until at rest.
    void swapAndShiftBlocks(Puzzle* p, int direction);
    // The game's re-gridding with a scratch array of the solver's own.
    void swapBlocks(Puzzle* p, int direction);
    // Drops the bubble of `block` one cell into a dead cell below it; YES when it fell.
    bool moveBlock(Block* block, Puzzle* p);
    // Popped with its burst over: the fall may move a bubble into it.
    bool isBlockDead(Block* block);

    // Figures of the last search; read them once it has returned.
    int boardsExamined() const { return boardsExamined_; }    // match tests on queued boards
    int peakQueued() const { return peakQueued_; }            // most boards waiting at once
    std::int64_t boardsFreed() const { return boardsFreed_; } // queued boards and probes
    // YES when the last search was neither cancelled nor lost a board to a failed allocation
    // or a refused push: only then is its NO an answer.
    bool lastSearchComplete() const { return searchComplete_; }
    // After a search that found a match: the re-gridding permutations (kDir* codes), each with
    // its fall, that lead from the searched board to the board with the match, in order; empty
    // when the searched board had one itself. None when the search found nothing.
    std::optional<std::vector<int>> foundTurns() const;

    // The operation's own copy of the board; the search never changes it.
    const Puzzle& puzzleData() const { return puzzle_; }

protected:
    explicit SolveOperation(const Puzzle& p);
    // For subclasses in tests and benchmarks that need a longer run of main(); set it before
    // the operation is added to a queue.
    void setNumLevels(int numLevels) { numLevels_ = numLevels; }

private:
    Puzzle puzzle_;
    int numLevels_ = kNumLevels;
    std::atomic<bool> solved_{true};
    int boardsExamined_ = 0;
    int peakQueued_ = 0;
    std::int64_t boardsFreed_ = 0;
    bool searchComplete_ = false;
    TurnSeries found_{{}, 0};
    bool foundAny_ = false;
};
