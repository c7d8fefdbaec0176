// The move solver: answers on hand-built boards, its turn and fall against the game's re-gridding
// and a column fall written here, cancellation, and memory exhaustion (answer and leaks).
#include "Classes/SolveOperation.h"
#include "sim/Boards.h"
#include "sim/SolverBoards.h"
#include "support/AllocHook.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <latch>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

// --- References written without the solver ---------------------------------------------------

// Face-adjacent live bubbles of one colour, by coordinates rather than by the friends links.
bool hasPair(const Puzzle& p) {
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            for (int z = 0; z < 5; ++z) {
                const BlockState& a = p.blocks[cellIndex(x, y, z)].state;
                if (!isLive(a)) continue;
                const int up[3][3] = {{x + 1, y, z}, {x, y + 1, z}, {x, y, z + 1}};
                for (const auto& c : up) {
                    if (c[0] > 4 || c[1] > 4 || c[2] > 4) continue;
                    const BlockState& b = p.blocks[cellIndex(c[0], c[1], c[2])].state;
                    if (isLive(b) && b.color == a.color) return true;
                }
            }
    return false;
}

// Every column keeps its non-dead states at the bottom in order, its dead ones above in order.
void fallColumns(Puzzle* p) {
    for (int x = 0; x < 5; ++x)
        for (int z = 0; z < 5; ++z) {
            std::vector<BlockState> solid, dead;
            for (int y = 0; y < 5; ++y) {
                const BlockState& s = p->blocks[cellIndex(x, y, z)].state;
                (isDead(s) ? dead : solid).push_back(s);
            }
            solid.insert(solid.end(), dead.begin(), dead.end());
            for (int y = 0; y < 5; ++y)
                p->blocks[cellIndex(x, y, z)].state = solid[y];
        }
}

void gameTurnAndFall(Puzzle* p, int direction) {
    swapBlocks(p, direction); // the game's re-gridding
    fallColumns(p);
}

std::string colours(const Puzzle& p) {
    std::string key(kNumBlocks, '.');
    for (int n = 0; n < kNumBlocks; ++n)
        if (isLive(p.blocks[n].state)) key[n] = static_cast<char>('0' + p.blocks[n].state.color);
    return key;
}

// A resting board from a seed with some cells dead and some popped but still bursting.
void makeRaggedBoard(Puzzle* p, unsigned seed) {
    makeRestingBoard(p, static_cast<long>(seed));
    std::mt19937 rng(seed);
    for (Block& b : p->blocks) {
        unsigned r = rng() % 8;
        if (r < 3)
            b.state.flags = kBlockPopped;
        else if (r == 3)
            b.state.flags = kBlockPopped | kBlockBursting;
        b.state.frame = static_cast<std::int32_t>(rng() % 1000); // tells states apart
    }
}

bool cellsEqual(const Puzzle& a, const Puzzle& b) { // everything of a cell except its state
    for (int n = 0; n < kNumBlocks; ++n) {
        const Block &u = a.blocks[n], &v = b.blocks[n];
        if (std::memcmp(u.position, v.position, sizeof u.position) ||
            std::memcmp(u.origin, v.origin, sizeof u.origin) ||
            std::memcmp(u.friends, v.friends, sizeof u.friends) || u.shadowIndex != v.shadowIndex)
            return false;
    }
    return true;
}

class Solver : public ::testing::Test {
protected:
    // A fresh operation on `board`, run on this thread; every board it made is freed again.
    static std::shared_ptr<SolveOperation> runOn(const Puzzle& board) {
        auto op = SolveOperation::initWithPuzzleData(&board);
        op->main();
        EXPECT_EQ(AllocHook::liveBlocks(), 0u);
        EXPECT_EQ(plan().boardsMade.load(), op->boardsFreed());
        return op;
    }
    static AllocPlan& plan() { return AllocHook::plan; }

    // An operation whose search methods the tests drive on boards of their own.
    static std::shared_ptr<SolveOperation> anyOp() {
        Puzzle empty;
        makeEmptyBoard(&empty);
        return SolveOperation::initWithPuzzleData(&empty);
    }
    AllocHook alloc;
};

// --- Answers on known boards -------------------------------------------------------------

TEST_F(Solver, BoardsWithAMoveAreAnsweredByTheFirstBoardOrItsProbes) {
    Puzzle pair, oneTurn;
    makePairBoard(&pair);
    makeOneTurnBoard(&oneTurn);
    ASSERT_TRUE(hasPair(pair));
    ASSERT_FALSE(hasPair(oneTurn));
    Puzzle turned = oneTurn;
    gameTurnAndFall(&turned, kDirDown);
    ASSERT_TRUE(hasPair(turned));

    auto op = runOn(pair);
    EXPECT_TRUE(op->solved() && op->lastSearchComplete());
    EXPECT_EQ(op->boardsExamined(), 1);
    EXPECT_EQ(plan().boardsMade.load(), 1); // no probe board either
    AllocHook::reset();
    op = runOn(oneTurn);
    EXPECT_TRUE(op->solved());
    EXPECT_EQ(op->boardsExamined(), 1);
    EXPECT_EQ(op->peakQueued(), 1); // found before any successor was queued
}

TEST_F(Solver, NoMoveBoardIsAnsweredNoAfterSixtyFiveBoards) {
    Puzzle board;
    makeNoMoveBoard(&board);
    EXPECT_EQ(liveCount(&board), 15);
    // Independently: no board that any series of turns and falls reaches has a pair.
    std::set<std::string> seen{colours(board)};
    std::vector<Puzzle> todo{board};
    while (!todo.empty()) {
        Puzzle b = todo.back();
        todo.pop_back();
        ASSERT_FALSE(hasPair(b));
        for (int d = 0; d < 4; ++d) {
            Puzzle next = b;
            gameTurnAndFall(&next, d);
            if (seen.insert(colours(next)).second) todo.push_back(next);
        }
    }
    EXPECT_EQ(seen.size(), 244u);

    auto op = runOn(board);
    EXPECT_FALSE(op->solved());
    EXPECT_TRUE(op->lastSearchComplete());
    EXPECT_EQ(op->boardsExamined(), 65); // 1 + 4 + 16 + 44
    EXPECT_EQ(op->peakQueued(), 49);
    // Every examined board costs one queued copy and one probe board.
    EXPECT_EQ(plan().boardsMade.load(), 130);
    EXPECT_EQ(op->boardsFreed(), 130);

    // The budget counts expansions: each one queues four boards, all of them examined.
    for (int levels : {0, 1, 5, 40}) {
        Puzzle copy = board;
        EXPECT_FALSE(op->solveLinear(&copy, levels));
        EXPECT_EQ(op->boardsExamined(), 1 + 4 * levels) << levels;
    }
}

TEST_F(Solver, SearchLeavesTheOperationsAndTheCallersBoardUnchanged) {
    for (auto make : {makePairBoard, makeOneTurnBoard, makeNoMoveBoard}) {
        Puzzle board;
        make(&board);
        const Puzzle original = board;
        auto op = SolveOperation::initWithPuzzleData(&board);
        board.score = 12345; // the operation holds a copy, not the caller's record
        OperationQueue queue;
        queue.addOperation(op);
        queue.waitUntilAllOperationsAreFinished();
        EXPECT_EQ(std::memcmp(&op->puzzleData(), &original, sizeof(Puzzle)), 0);
        Puzzle direct = original;
        op->solveLinear(&direct, SolveOperation::kNumLevels);
        EXPECT_EQ(std::memcmp(&direct, &original, sizeof(Puzzle)), 0);
    }
    EXPECT_EQ(SolveOperation::initWithPuzzleData(nullptr), nullptr);
}

// --- Turn, fall and match test --------------------------------------------------------------

TEST_F(Solver, TurnAndFallEqualsTheGamesTurnAndAColumnFall) {
    auto op = anyOp();
    for (unsigned seed = 1; seed <= 40; ++seed) {
        for (int d : {0, 1, 2, 3, 7, -1}) { // any code but 0 ... 2 turns like 3
            Puzzle mine, game;
            makeRaggedBoard(&mine, seed * 7);
            game = mine;
            const Puzzle before = mine;
            op->swapAndShiftBlocks(&mine, d);
            gameTurnAndFall(&game, d);
            ASSERT_EQ(std::memcmp(&mine, &game, sizeof(Puzzle)), 0) << seed << " " << d;
            ASSERT_TRUE(cellsEqual(mine, before));
        }
    }
}

TEST_F(Solver, MatchTestCountsOnlyLiveFaceNeighbours) {
    auto op = anyOp();
    struct Case {
        int a[3], b[3];
        std::uint32_t bFlags;
        bool pair;
    };
    const Case cases[] = {
        {{2, 2, 2}, {2, 2, 3}, 0, true},                              // along z
        {{2, 2, 2}, {3, 2, 2}, 0, true},                              // along x
        {{2, 0, 2}, {2, 1, 2}, 0, true},                              // along y
        {{2, 2, 2}, {3, 3, 2}, 0, false},                             // diagonal
        {{0, 0, 4}, {1, 0, 0}, 0, false},                             // cells 4 and 5
        {{4, 0, 0}, {0, 1, 0}, 0, false},                             // cells 20 and 25
        {{2, 2, 2}, {2, 2, 3}, kBlockPopped, false},                  // burst over
        {{2, 2, 2}, {2, 2, 3}, kBlockPopped | kBlockBursting, false}, // still bursting
    };
    for (const Case& c : cases) {
        Puzzle p;
        makeEmptyBoard(&p);
        putBubble(&p, c.a[0], c.a[1], c.a[2], kColorWhite);
        putBubble(&p, c.b[0], c.b[1], c.b[2], kColorWhite);
        p.blocks[cellIndex(c.b[0], c.b[1], c.b[2])].state.flags = c.bFlags;
        EXPECT_EQ(op->findBlockMatch(&p), c.pair) << c.a[0] << c.a[1] << c.a[2];
        EXPECT_EQ(hasPair(p), c.pair);
    }
}

// --- Cancellation ---------------------------------------------------------------------------

TEST_F(Solver, CancelBeforeTheRunKeepsYesAndCompletesOnce) {
    Puzzle board;
    makeNoMoveBoard(&board);
    auto op = SolveOperation::initWithPuzzleData(&board);
    std::atomic<int> completions{0};
    op->setCompletionBlock([&completions] { ++completions; });
    op->cancel();
    EXPECT_FALSE(op->findBlockMatch(&board)); // noticed before the first cell
    {
        OperationQueue queue;
        queue.addOperation(op);
        queue.waitUntilAllOperationsAreFinished();
    }
    EXPECT_TRUE(op->solved());
    EXPECT_EQ(completions.load(), 1);
    EXPECT_EQ(plan().boardCalls.load(), 0);
}

TEST_F(Solver, CancelDuringTheRunKeepsYesCompletesOnceAndFreesEveryBoard) {
    Puzzle board;
    makeNoMoveBoard(&board); // a complete search would answer NO
    auto op = LongSolve::make(board);
    std::atomic<int> completions{0};
    std::atomic<bool> solvedSeen{false};
    op->setCompletionBlock([&, raw = op.get()] {
        solvedSeen = raw->solved();
        ++completions;
    });
    OperationQueue queue;
    queue.addOperation(op);
    op->started.wait();
    // Cancel well past the work of a whole normal run (130 boards), however slow the build.
    while (plan().boardsMade.load() < 1000 && !op->isFinished())
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    op->cancel();
    queue.waitUntilAllOperationsAreFinished();

    EXPECT_TRUE(op->solved());
    EXPECT_TRUE(solvedSeen.load());
    EXPECT_EQ(completions.load(), 1);
    EXPECT_FALSE(op->lastSearchComplete());
    EXPECT_GT(op->boardsExamined(), 65); // it was past what a normal run examines
    EXPECT_EQ(plan().boardsMade.load(), op->boardsFreed());
    EXPECT_EQ(AllocHook::liveBlocks(), 0u);
}

// --- Memory exhaustion ----------------------------------------------------------------------

// A search that cannot have its memory never answers "no move left", and frees what it had.
TEST_F(Solver, EachRefusedBoardOrPushLeavesYesAndEveryBoardIsFreed) {
    Puzzle board;
    makeNoMoveBoard(&board);
    // No memory at all; then the first board, the first probes and successors, then a spread
    // up to the last probe.
    std::vector<int> refused{0};
    for (int k = 1; k <= 12; ++k)
        refused.push_back(k);
    for (int k = 17; k <= 130; k += 9)
        refused.push_back(k);
    refused.push_back(130);
    for (int k : refused) {
        AllocHook::reset();
        plan().failBoardAt = k;
        plan().allowance = k == 0 ? 0 : -1;
        auto op = runOn(board);
        EXPECT_TRUE(op->solved() && !op->lastSearchComplete()) << "board " << k;
    }
    // The queue's storage first grows to n items on a push: refusing that resize refuses it.
    for (std::size_t n = 2; n <= 49; ++n) {
        AllocHook::reset();
        plan().failGrowthTo = n * sizeof(std::int32_t);
        auto op = runOn(board);
        EXPECT_EQ(plan().failGrowthTo, 0u) << n; // the refusal happened
        EXPECT_TRUE(op->solved() && !op->lastSearchComplete()) << "push " << n;
    }
}

} // namespace
