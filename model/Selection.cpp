// Group selection and scoring: the player's tap (select, burst or lone) and the re-derivation
// of the selection after the board changed under it. Standard library only; no SDL, no GL.
#include "model/Puzzle.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr std::uint32_t kTapClearMask = kBlockSelected | kBlockLone | kBlockAnchor;
constexpr std::uint32_t kBurstClearMask =
    kBlockSelected | kBlockGrowing | kBlockShrinking | kBlockLone | kBlockAnchor | kBlockMoving;
constexpr std::uint32_t kBurstSetMask = kBlockPopped | kBlockBursting;

constexpr std::uint32_t kScoreShowFrames = 75;
constexpr int kBurstFrameGap = 4;      // frames between two bubbles of one burst
constexpr int kCheerGroupSize = 5;     // bursts this large are cheered
constexpr long kCloudAngleRange = 180; // degrees

enum class FillMode { Select, Burst };

// A neighbour link that leads to a cell of the record (-1 marks the cube's face).
bool isCell(std::int32_t index) {
    return index >= 0 && index < kNumBlocks;
}

void processCell(BlockState& s, FillMode mode, int k) {
    if (mode == FillMode::Select) {
        s.flags |= kBlockSelected | kBlockShrinking; // the pulse starts by shrinking
        return;
    }
    s.flags = (s.flags & ~kBurstClearMask) | kBurstSetMask;
    s.frame = -kBurstFrameGap * k;
    s.dirVec[0] = static_cast<float>(rand48::lrand48() % kCloudAngleRange);
}

// Breadth-first over the live bubbles of the start cell's colour, neighbours in `friends`
// order, so a burst pops outward from the tapped bubble. Returns the number of cells processed,
// or -1 when not even the start cell could be queued. Should memory run out half-way, the fill
// stops there: what was processed is consistent and the score follows what was processed.
int fillGroup(Puzzle* p, Stack* list, int start, FillMode mode) {
    bool entered[kNumBlocks] = {};
    const std::int32_t color = p->blocks[start].state.color;
    entered[start] = true;
    if (!pushStack(list, start)) return -1;

    int n = 0;
    while (!isStackEmpty(list)) {
        const int cell = popStack(list);
        processCell(p->blocks[cell].state, mode, n);
        ++n;
        for (const std::int32_t next : p->blocks[cell].friends) {
            if (!isCell(next) || entered[next]) continue;
            const BlockState& s = p->blocks[next].state;
            if (!isLive(s) || s.color != color) continue;
            entered[next] = true;
            if (!pushStack(list, next)) return n;
        }
    }
    return n;
}

// Joins the live bubbles connected to the anchor, pulsing in step with it. Returns the number
// of selected bubbles reached, or -1 when the anchor could not be queued.
int regrowFromAnchor(Puzzle* p, Stack* list, int anchor) {
    // A copy: an anchor without kBlockSelected is joined like any other bubble, onto itself.
    const BlockState a = p->blocks[anchor].state;
    if (!pushStack(list, anchor)) return -1;

    int n = 0;
    while (!isStackEmpty(list)) {
        const int cell = popStack(list);
        const std::uint32_t flags = p->blocks[cell].state.flags;
        if ((flags & kBlockSelected) && !(flags & kBlockPopped)) ++n;
        for (const std::int32_t next : p->blocks[cell].friends) {
            if (!isCell(next)) continue;
            BlockState& s = p->blocks[next].state;
            if (!isLive(s) || (s.flags & kBlockSelected) || s.color != a.color) continue;
            s.flags |= kBlockSelected;
            std::copy(a.scale, a.scale + 3, s.scale);
            if (a.flags & kBlockShrinking) {
                s.flags = (s.flags | kBlockShrinking) & ~kBlockGrowing;
            } else {
                s.flags = (s.flags | kBlockGrowing) & ~kBlockShrinking;
            }
            if (!pushStack(list, next)) return n;
        }
    }
    return n;
}

void hideScore(Puzzle* p) {
    p->flags &= ~kPuzzleShowScore;
    p->counter = 0;
    p->selectScore = 0;
}

void showScore(Puzzle* p, std::uint32_t points) {
    p->flags |= kPuzzleShowScore;
    p->counter = kScoreShowFrames;
    p->selectScore = points;
}

} // namespace

std::uint32_t groupScore(int n) {
    const double m = static_cast<double>(std::max(n, 2) - 1);
    const double points = m * m;
    // Exact for every group a board can hold; saturate rather than overflow beyond that.
    constexpr double kMax = std::numeric_limits<std::uint32_t>::max();
    return points >= kMax ? std::numeric_limits<std::uint32_t>::max()
                          : static_cast<std::uint32_t>(points);
}

void selectBlock(Puzzle* p, Block* block) {
    if (p->flags & (kPuzzleBusy | kPuzzleGameOver)) return;

    // Drop the old selection everywhere, except on a lone bubble tapped again. The tapped cell is
    // found by address, so a pointer outside the record is never taken.
    int taken = -1;
    bool burst = false;
    for (int i = 0; i < kNumBlocks; ++i) {
        BlockState& s = p->blocks[i].state;
        if (!isLive(s)) continue;
        if (&p->blocks[i] == block) {
            if (s.flags & kBlockLone) continue;
            taken = i;
            burst = (s.flags & kBlockSelected) != 0;
        }
        s.flags &= ~kTapClearMask;
    }
    if (taken < 0) return;

    Stack* list = createStack();
    if (!list) return;
    const int n = fillGroup(p, list, taken, burst ? FillMode::Burst : FillMode::Select);
    deleteStack(list);
    if (n < 0) return;

    if (burst) {
        p->flags |= kPuzzleBusy;
        hideScore(p);
        p->score += groupScore(n);
        if (n >= kCheerGroupSize) cheerSndRequest = 1;
        return;
    }

    BlockState& s = p->blocks[taken].state;
    s.flags |= kBlockAnchor;
    if (n >= 2) {
        showScore(p, groupScore(n));
    } else {
        s.flags |= kBlockLone;
        hideScore(p);
        rejectSndRequest = 1;
    }
}

bool clearSelection(Puzzle* p) {
    bool had = false;
    for (Block& block : p->blocks) {
        BlockState& s = block.state;
        if (!isLive(s)) continue;
        had = had || (s.flags & kTapClearMask) != 0;
        s.flags &= ~kTapClearMask;
    }
    if (had) hideScore(p);
    return had;
}

void updateSelection(Puzzle* p) {
    int anchor = -1;
    for (int i = 0; i < kNumBlocks; ++i) {
        BlockState& s = p->blocks[i].state;
        if (!isLive(s)) continue;
        if (anchor < 0 && (s.flags & kBlockAnchor)) {
            anchor = i;
            continue;
        }
        s.flags &= ~kBlockSelected;
    }
    if (anchor < 0) return;

    Stack* list = createStack();
    if (!list) return;
    const int n = regrowFromAnchor(p, list, anchor);
    deleteStack(list);
    if (n < 0) return;

    BlockState& a = p->blocks[anchor].state;
    if (n < 2) {
        a.flags |= kBlockLone; // quietly: the player did not tap
        hideScore(p);
        return;
    }
    a.flags &= ~kBlockLone;
    const std::uint32_t points = groupScore(n);
    if (points != p->selectScore) showScore(p, points); // announce a changed score again
}
