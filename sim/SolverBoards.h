// Boards with a known answer for the move solver, shared by its tests and benchmarks. All are at
// rest and hand-built with the helpers of sim/Boards.h. Depends on the model and the solver.
#pragma once

#include <latch>
#include <memory>

#include "Classes/SolveOperation.h"
#include "model/Puzzle.h"

// Fifteen bubbles on the bottom layer with exactly one face-adjacent same-coloured pair:
// (0, 0, 2) and (0, 0, 3), both green. Otherwise the no-move board below.
void makePairBoard(Puzzle* p);

// Three bubbles without a pair: yellow (2, 0, 0), and in the column (2, *, 2) blue under yellow.
// One quarter turn with permutation 3 and the fall lay the yellow ones side by side at
// (2, 0, 3) and (2, 0, 4).
void makeOneTurnBoard(Puzzle* p);

// Fifteen bubbles on the bottom layer, every colour present, two or three of each, on which no
// series of quarter turns (each followed by the fall) ever brings two of a colour together: the
// solver examines 65 boards and answers that no move is left, and a search of any depth finds
// nothing either.
void makeNoMoveBoard(Puzzle* p);

// main() with a budget far beyond a normal run, so that it is still searching when cancelled.
class LongSolve : public SolveOperation {
public:
    static std::shared_ptr<LongSolve> make(const Puzzle& p) {
        return std::shared_ptr<LongSolve>(new LongSolve(p));
    }
    void main() override {
        started.count_down();
        SolveOperation::main();
    }
    std::latch started{1};

private:
    explicit LongSolve(const Puzzle& p) : SolveOperation(p) { setNumLevels(1 << 20); }
};
