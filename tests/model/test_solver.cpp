// The move solver: answers on hand-built boards, its turn and fall against the game's re-gridding
// and a column fall written here, cancellation, and memory exhaustion (answer and leaks); and its
// queue, the model's index stack: first-in first-out, its limit, and what it keeps without memory.
#include "Classes/SolveOperation.h"
#include "sim/Boards.h"
#include "sim/SolverBoards.h"
#include "support/AllocHook.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstring>
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

// Everything of the cells but their states (the first member) is the same.
bool cellsEqual(const Puzzle& a, const Puzzle& b) {
    constexpr std::size_t fixed = offsetof(Block, position);
    for (int n = 0; n < kNumBlocks; ++n) {
        const auto *u = reinterpret_cast<const char*>(&a.blocks[n]),
                   *v = reinterpret_cast<const char*>(&b.blocks[n]);
        if (std::memcmp(u + fixed, v + fixed, sizeof(Block) - fixed) != 0) return false;
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

// Five bubbles in the slice x = 3 whose one pair comes together after a down turn, while no
// series of up turns brings it: found by a search over random boards with the references above.
void makeDownProbeBoard(Puzzle* p) {
    makeEmptyBoard(p);
    const int bottom[] = {kColorPurple, kColorRed, kColorGreen},
              above[] = {kColorOrange, kColorRed};
    for (int z = 0; z < 3; ++z)
        putBubble(p, 3, 0, z, bottom[z]);
    for (int z = 1; z < 3; ++z)
        putBubble(p, 3, 1, z, above[z - 1]);
}

// The first board's probes turn it up and down eight times each: a move found there costs no
// successor board at all, even with no budget for expanding any.
TEST_F(Solver, BoardsWithAMoveAreAnsweredByTheFirstBoardOrItsProbes) {
    Puzzle boards[3];
    makePairBoard(&boards[0]);
    makeOneTurnBoard(&boards[1]);
    makeDownProbeBoard(&boards[2]);
    ASSERT_TRUE(hasPair(boards[0]));
    Puzzle up = boards[2], down = boards[2];
    gameTurnAndFall(&down, kDirDown);
    ASSERT_TRUE(hasPair(down));
    for (int turns = 0; turns <= 8; gameTurnAndFall(&up, kDirUp), ++turns)
        ASSERT_FALSE(hasPair(up)) << turns << " up turns";
    for (const Puzzle& board : boards) {
        AllocHook::reset();
        auto op = runOn(board);
        EXPECT_TRUE(op->solved() && op->lastSearchComplete());
        EXPECT_EQ(op->boardsExamined(), 1);
        EXPECT_EQ(op->peakQueued(), 1); // found before any successor was queued
        Puzzle copy = board;
        EXPECT_TRUE(op->solveLinear(&copy, 0));
    }
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

// --- Cancellation ---------------------------------------------------------------------------

// A cancelled run keeps YES, completes once and frees every board, whether it was cancelled
// before it started or deep in a search that would have answered NO.
TEST_F(Solver, CancelBeforeOrDuringTheRunKeepsYesCompletesOnceAndFreesEveryBoard) {
    Puzzle board;
    makeNoMoveBoard(&board);
    for (bool before : {true, false}) {
        AllocHook::reset();
        auto op = LongSolve::make(board);
        std::atomic<int> yesCompletions{0};
        op->setCompletionBlock([&, raw = op.get()] { yesCompletions += raw->solved() ? 1 : 100; });
        if (before) op->cancel();
        OperationQueue queue;
        queue.addOperation(op);
        if (!before) {
            op->started.wait();
            // Well past the work of a whole normal run (130 boards), however slow the build.
            while (plan().boardsMade.load() < 1000 && !op->isFinished())
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            op->cancel();
        }
        queue.waitUntilAllOperationsAreFinished();
        EXPECT_EQ(yesCompletions.load(), 1);
        EXPECT_EQ(plan().boardsMade.load(), before ? 0 : op->boardsFreed());
        EXPECT_GT(before ? 66 : op->boardsExamined(), 65); // past what a normal run examines
        EXPECT_EQ(AllocHook::liveBlocks(), 0u);
    }
    EXPECT_EQ(SolveOperation::initWithPuzzleData(nullptr), nullptr);
}

// --- Memory exhaustion ----------------------------------------------------------------------

// A search that cannot have its memory never answers "no move left", and frees what it had.
TEST_F(Solver, EachRefusedBoardOrPushLeavesYesAndEveryBoardIsFreed) {
    Puzzle board;
    makeNoMoveBoard(&board);
    // No memory at all; then each of the first boards, then a spread up to the last probe, 130.
    for (int k = 0; k <= 130; k += k < 12 || k == 129 ? 1 : 9) {
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

TEST(Stack, FirstInFirstOutUpToItsLimit) {
    AllocHook alloc;
    Stack* s = createStack();
    ASSERT_NE(s, nullptr);
    for (int i = 0; i < kStackMaxItems; ++i)
        ASSERT_EQ(pushStack(s, i - 7), 1);
    EXPECT_EQ(pushStack(s, 99), 0); // the 32769th is refused; a pop makes room
    EXPECT_EQ(popStack(s), -7);
    EXPECT_EQ(pushStack(s, 99), 1);
    for (int i = 1; i < kStackMaxItems; ++i)
        ASSERT_EQ(popStack(s), i - 7);
    EXPECT_EQ(popStack(s), 99);
    EXPECT_EQ(isStackEmpty(s), 1);
    EXPECT_EQ(popStack(s), 0);
    EXPECT_EQ(s->items, nullptr); // an emptied stack holds no storage
    deleteStack(s);
    EXPECT_EQ(AllocHook::liveBlocks(), 0u) << "the stack leaked storage";
}

TEST(Stack, NothingIsLostWhenMemoryRunsOut) {
    AllocHook alloc;
    Stack* s = createStack();
    ASSERT_NE(s, nullptr);
    for (int v : {5, 6, 7})
        pushStack(s, v);
    AllocHook::plan.allowance = 0; // growing and shrinking refused: the items still come out
    EXPECT_EQ(pushStack(s, 8), 0);
    for (int v : {5, 6, 7})
        EXPECT_EQ(popStack(s), v);
    EXPECT_EQ(isStackEmpty(s), 1);
    deleteStack(s);
    EXPECT_EQ(AllocHook::liveBlocks(), 0u) << "the stack leaked storage";
    EXPECT_EQ(createStack(), nullptr);
    EXPECT_EQ(pushStack(nullptr, 1) + popStack(nullptr), 0);
    EXPECT_EQ(isStackEmpty(nullptr), 1);
    deleteStack(nullptr);
}

} // namespace
