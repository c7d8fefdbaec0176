// The per-frame update that advances a whole game by one timer tick, and the draw-order comparison.
// Depends on the model header and the vector library alone; time and vibration go through hooks.
#include <cstdlib>
#include <cstring>

#include "math/Matrix.h"
#include "model/Puzzle.h"

namespace {

constexpr std::uint32_t kScoreShowFrames = 75;
constexpr int kSolverMaxBubbles = 15; // with more bubbles left a move is taken to exist
constexpr float kWarnSeconds = 10.0f;
constexpr std::uint32_t kSelectionMask = kBlockSelected | kBlockLone | kBlockAnchor;

// What settling the board found out in this frame.
struct Settle {
    int colorCount[kNumColors] = {};
    int liveCount = 0;
    bool anyMoving = false;
    bool anyBursting = false;
    bool dropped = false;
};

void addToShadow(Shadow& sh, const Block& b) {
    // Cells come in index order, so the last one seen is the column's topmost.
    sh.position[0] = b.position[0];
    sh.position[2] = b.position[2];
    const bool selected = (b.state.flags & kBlockSelected) != 0;
    if (!sh.valid) {
        sh.position[1] = b.position[1];
        for (int i = 0; i < 3; ++i)
            sh.scale[i] = b.state.scale[i];
        sh.selected = selected ? 1 : 0;
    } else {
        if (b.position[1] < sh.position[1]) sh.position[1] = b.position[1];
        if (selected) sh.selected = 1;
        for (int i = 0; i < 3; ++i)
            if (b.state.scale[i] > sh.scale[i]) sh.scale[i] = b.state.scale[i];
    }
    sh.valid = 1;
}

// Animates every bubble once and lets bubbles drop into empty cells, one gap per column and pass,
// until a pass moves nothing.
void settleBoard(Puzzle* p, const float m[16], Settle& out) {
    const bool mayFall = p->currRot[1] == p->dstRot[1] && p->currRot[1] == 0.0f;
    bool firstPass = true;
    bool moved = true;
    while (moved) {
        moved = false;
        for (int n = 0; n < kNumBlocks; ++n) {
            p->drawIndex[n] = static_cast<std::uint32_t>(n);
            Block& b = p->blocks[n];
            if (isDead(b.state)) continue;
            if (firstPass) {
                mat_multv3(b.position, m, b.origin);
                addToShadow(p->shadows[b.shadowIndex], b);
                updateBlock(&b);
                if (b.state.flags & kBlockMoving) out.anyMoving = true;
                if (b.state.flags & kBlockBursting) {
                    out.anyBursting = true;
                    continue;
                }
                // A colour outside the table still counts as a bubble, but never as a pair.
                if (b.state.color >= 0 && b.state.color < kNumColors)
                    ++out.colorCount[b.state.color];
                ++out.liveCount;
            }
            if (b.state.flags & kBlockBursting) continue; // still blocks the cells above
            if (mayFall && shiftBlock(p, &b, m, 1)) {
                out.dropped = true;
                out.anyMoving = true;
                moved = true;
            }
        }
        firstPass = false;
    }
}

void endGame(Puzzle* p) {
    if (!(p->flags & kPuzzleGameOver)) {
        AudioServicesPlaySystemSound(kSystemSoundID_Vibrate);
        p->flags &= ~kPuzzleShowScore;
        for (Block& b : p->blocks)
            b.state.flags &= ~kSelectionMask;
    }
    p->progress = 0.0f;
    p->flags |= kPuzzleGameOver | kPuzzleProgressChanged;
}

// Runs the clock of a timed game; returns whether the time is up.
bool runClock(Puzzle* p) {
    const float elapsed = static_cast<float>(elapsedSeconds(p->startTime, puzzleTime()));
    const float progress = 1.0f - elapsed / p->numGameSecs;
    if (progress != p->progress) {
        p->progress = progress;
        p->flags |= kPuzzleProgressChanged;
    }
    // No time warning for a game that has already ended.
    if (!(p->flags & (kPuzzleTimeWarned | kPuzzleGameOver)) &&
        p->numGameSecs - elapsed <= kWarnSeconds) {
        warnSndRequest = 1;
        p->flags |= kPuzzleTimeWarned;
    }
    return elapsed > p->numGameSecs;
}

} // namespace

void updatePuzzle(Puzzle* p) {
    const bool upDownTurning = p->currRot[1] != p->dstRot[1];
    updatePuzzleOrientation(p);
    // The cube has just been turned over: groups may have changed under the selection.
    bool selectionDue = upDownTurning && p->currRot[1] == 0.0f;

    std::memset(p->shadows, 0, sizeof p->shadows);
    float m[16];
    mat_quatRotate(m, p->currRot[0], p->currRot[1], p->currRot[2]);

    Settle settle;
    settleBoard(p, m, settle);
    if (settle.dropped) selectionDue = true;

    if (selectionDue) {
        updateSelection(p);
        p->flags |= kPuzzleBusy;
    }

    blocksPtr = p->blocks;
    std::qsort(p->drawIndex, kNumBlocks, sizeof p->drawIndex[0], compareBlocks);

    if (p->flags & kPuzzleStarting) {
        dropSndRequest = 0; // the new board lands in silence
        if (settle.anyMoving) return;
        p->flags &= ~kPuzzleStarting;
        const std::int64_t now = puzzleTime();
        p->startTime = static_cast<std::int32_t>(static_cast<std::uint32_t>(now));
        if (gameType >= 1 && gameType <= 5) {
            p->flags |= kPuzzleTimed;
            p->numGameSecs = 60.0f * static_cast<float>(gameType);
        }
        return;
    }

    const bool timeUp = (p->flags & kPuzzleTimed) ? runClock(p) : false;

    if (p->flags & kPuzzleShowScore) {
        if (p->counter == 0)
            p->flags &= ~kPuzzleShowScore;
        else
            --p->counter;
    }

    bool anyPair = false;
    for (int c : settle.colorCount)
        if (c >= 2) anyPair = true;
    bool gameEnds = settle.liveCount == 0 || !anyPair;
    if (!gameEnds) {
        if (checkSolution == 1 && !settle.anyMoving && !selectionDue && !settle.anyBursting &&
            !(p->flags & (kPuzzleBusy | kPuzzleGameOver)) &&
            settle.liveCount <= kSolverMaxBubbles) {
            solveRequest = 1;
            checkSolution = 0;
        }
        gameEnds = timeUp || quitRequest != 0;
    }
    if (gameEnds) endGame(p);

    if (settle.anyBursting) checkSolution = 1;
    if (settle.anyMoving) {
        p->flags |= kPuzzleBusy;
        checkSolution = 1;
        return;
    }
    if (std::memcmp(p->dstRot, p->currRot, sizeof p->currRot) == 0 && p->currRot[2] == 0.0f &&
        p->currRot[1] == 0.0f)
        p->flags &= ~kPuzzleBusy;
}

int compareBlocks(const void* a, const void* b) {
    const Block& ba = blocksPtr[*static_cast<const std::uint32_t*>(a)];
    const Block& bb = blocksPtr[*static_cast<const std::uint32_t*>(b)];
    const float za = ba.position[2];
    const float zb = bb.position[2];
    if (za == zb) {
        if (ba.state.color == bb.state.color) return 0;
        return ba.state.color < bb.state.color ? -1 : 1;
    }
    return za < zb ? -1 : 1;
}
