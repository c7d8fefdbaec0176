// The move solver's search and its board bookkeeping. Runs on the operation queue's thread and
// shares nothing with the game loop: its own board copies and its own re-gridding scratch array.
#include "Classes/SolveOperation.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Probe directions (the two turns about the x axis) and the expansion order of a board.
const int dir[2] = {kDirUp, kDirDown};
const int moves[4] = {kDirUp, kDirDown, kDirRight, kDirLeft};

constexpr int kProbeTurns = 8; // two full revolutions per probe direction

// Scratch for swapBlocks. Per thread, so that two solver runs on two queues (a cancelled one
// still winding down while the next starts) cannot share it; nothing survives between calls.
thread_local BlockState tmp[kNumBlocks];

Puzzle* newBoard() {
    return static_cast<Puzzle*>(modelRealloc(nullptr, sizeof(Puzzle)));
}

// The boards of one search. The index stack holds 32-bit ints, so it queues slot numbers of
// this table instead of addresses. Whatever is still held when the table goes is freed, which
// also covers boards whose slot numbers a failed push wiped out of the stack.
class BoardTable {
public:
    explicit BoardTable(std::int64_t& freed) : freed_(freed) {}
    ~BoardTable() {
        for (int i = 0; i < used_; ++i)
            if (slots_[i].board) release(i);
        modelFree(slots_);
    }
    BoardTable(const BoardTable&) = delete;
    BoardTable& operator=(const BoardTable&) = delete;

    // A slot holding a fresh copy of `src`, made by `series`, or -1 when memory ran out.
    int acquire(const Puzzle* src, const TurnSeries& series) {
        if (freeHead_ < 0 && used_ == capacity_ && !grow()) return -1;
        Puzzle* board = newBoard();
        if (!board) return -1;
        std::memcpy(board, src, sizeof(Puzzle));
        int slot;
        if (freeHead_ >= 0) {
            slot = freeHead_;
            freeHead_ = slots_[slot].nextFree;
        } else {
            slot = used_++;
        }
        slots_[slot] = {board, -1, series};
        return slot;
    }

    Puzzle* at(int slot) const { return slots_[slot].board; }
    const TurnSeries& seriesAt(int slot) const { return slots_[slot].series; }

    void release(int slot) {
        modelFree(slots_[slot].board);
        ++freed_;
        slots_[slot] = {nullptr, freeHead_, {}};
        freeHead_ = slot;
    }

private:
    struct Slot {
        Puzzle* board;
        int nextFree; // next free slot while this one is free, else -1
        TurnSeries series;
    };

    bool grow() {
        int capacity = capacity_ ? 2 * capacity_ : 64;
        void* p = modelRealloc(slots_, sizeof(Slot) * static_cast<std::size_t>(capacity));
        if (!p) return false;
        slots_ = static_cast<Slot*>(p);
        capacity_ = capacity;
        return true;
    }

    std::int64_t& freed_;
    Slot* slots_ = nullptr;
    int capacity_ = 0;
    int used_ = 0;      // slots ever handed out; the ones below it are held or free-listed
    int freeHead_ = -1; // first free slot below used_
};

// `series` followed by `count` turns of permutation `turn`.
TurnSeries extended(const TurnSeries& series, int turn, int count) {
    TurnSeries out = series;
    if (out.length < 0 || out.length + count > TurnSeries::kMostTurns) {
        out.length = -1;
        return out;
    }
    for (int i = 0; i < count; ++i)
        out.turns[out.length++] = static_cast<std::int8_t>(turn);
    return out;
}

// Cell index of grid coordinates, each 0 ... 4.
int cellOf(int x, int y, int z) {
    return 25 * y + 5 * x + z;
}

} // namespace

SolveOperation::SolveOperation(const Puzzle& p) : puzzle_(p) {}

std::shared_ptr<SolveOperation> SolveOperation::initWithPuzzleData(const Puzzle* p) {
    if (!p) return nullptr;
    try {
        return std::shared_ptr<SolveOperation>(new SolveOperation(*p));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void SolveOperation::main() {
    if (isCancelled()) return;
    bool found = solveLinear(&puzzle_, numLevels_);
    if (isCancelled()) return;
    // A search that lost boards proves nothing; leaving YES keeps a game with moves going.
    if (found || searchComplete_) solved_.store(found, std::memory_order_release);
}

bool SolveOperation::solveLinear(Puzzle* p, int numLevels) {
    boardsExamined_ = 0;
    peakQueued_ = 0;
    boardsFreed_ = 0;
    searchComplete_ = false;
    foundAny_ = false;

    Stack* queue = createStack();
    if (!queue) return false;
    bool complete = true;
    bool found = false;
    {
        BoardTable boards(boardsFreed_);
        int first = boards.acquire(p, TurnSeries{{}, 0});
        if (first < 0 || !pushStack(queue, first)) {
            deleteStack(queue);
            return false; // the table frees the first board
        }
        peakQueued_ = 1;

        int expanded = 0;
        while (!isCancelled() && !isStackEmpty(queue) && !found) {
            int cur = popStack(queue);
            Puzzle* board = boards.at(cur);
            ++boardsExamined_;
            if (matchFound(board)) {
                found_ = boards.seriesAt(cur);
                boards.release(cur);
                found = true;
                break;
            }

            Puzzle* probe = newBoard();
            if (!probe) { // drop this board unprobed and unexpanded
                boards.release(cur);
                complete = false;
                continue;
            }
            for (int d : dir) {
                if (isCancelled() || found) break;
                std::memcpy(probe, board, sizeof(Puzzle));
                for (int i = 0; i < kProbeTurns && !found; ++i) {
                    swapAndShiftBlocks(probe, d);
                    found = matchFound(probe);
                    if (found) found_ = extended(boards.seriesAt(cur), d, i + 1);
                }
            }
            modelFree(probe);
            ++boardsFreed_;

            if (found || expanded >= numLevels) {
                boards.release(cur);
                continue;
            }
            ++expanded;
            for (int m : moves) {
                int next = boards.acquire(board, extended(boards.seriesAt(cur), m, 1));
                if (next < 0) {
                    complete = false;
                    break;
                }
                swapAndShiftBlocks(boards.at(next), m);
                if (!pushStack(queue, next)) { // full, or its storage could not grow
                    boards.release(next);
                    complete = false;
                    break;
                }
                if (queue->count > peakQueued_) peakQueued_ = queue->count;
            }
            boards.release(cur);
        }
        // Boards still queued (or lost from the queue) are freed with the table.
    }
    deleteStack(queue);
    searchComplete_ = complete && !isCancelled();
    foundAny_ = found;
    return found;
}

std::optional<std::vector<int>> SolveOperation::foundTurns() const {
    if (!foundAny_ || found_.length < 0) return std::nullopt;
    return std::vector<int>(found_.turns, found_.turns + found_.length);
}

bool SolveOperation::findBlockMatch(Puzzle* p) {
    for (int n = 0; n < kNumBlocks; ++n) {
        if (n % 10 == 0 && isCancelled()) return false;
        const BlockState& s = p->blocks[n].state;
        if (!isLive(s)) continue;
        for (int f : p->blocks[n].friends) {
            if (f < 0 || f >= kNumBlocks) continue; // -1 on the cube's faces
            const BlockState& t = p->blocks[f].state;
            if (isLive(t) && t.color == s.color) return true;
        }
    }
    return false;
}

void SolveOperation::swapAndShiftBlocks(Puzzle* p, int direction) {
    swapBlocks(p, direction);
    // Lower layers come first in a pass, so a column over a dead cell sinks one cell per pass.
    bool moved = true;
    while (moved) {
        moved = false;
        for (int n = 0; n < kNumBlocks; ++n)
            if (moveBlock(&p->blocks[n], p)) moved = true;
    }
}

void SolveOperation::swapBlocks(Puzzle* p, int direction) {
    for (int y = 0; y < kGridSize; ++y) {
        for (int x = 0; x < kGridSize; ++x) {
            for (int z = 0; z < kGridSize; ++z) {
                int to;
                switch (direction) {
                case kDirLeft:
                    to = cellOf(4 - z, y, x);
                    break;
                case kDirRight:
                    to = cellOf(z, y, 4 - x);
                    break;
                case kDirUp:
                    to = cellOf(x, 4 - z, y);
                    break;
                default:
                    to = cellOf(x, z, 4 - y);
                    break;
                }
                tmp[to] = p->blocks[cellOf(x, y, z)].state;
            }
        }
    }
    for (int n = 0; n < kNumBlocks; ++n)
        p->blocks[n].state = tmp[n];
}

bool SolveOperation::moveBlock(Block* block, Puzzle* p) {
    if (isBlockDead(block)) return false;
    int below = block->friends[4];
    if (below < 0 || below >= kNumBlocks) return false; // -1 on the bottom layer
    Block* lower = &p->blocks[below];
    if (!isBlockDead(lower)) return false;
    BlockState s = block->state;
    block->state = lower->state;
    lower->state = s;
    return true;
}

bool SolveOperation::isBlockDead(Block* block) {
    return isDead(block->state);
}
