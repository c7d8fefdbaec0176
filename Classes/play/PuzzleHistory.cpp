#include "Classes/play/PuzzleHistory.h"

void PuzzleHistory::start(const Puzzle& board) {
    states_.assign(1, board);
    position_ = 0;
}

void PuzzleHistory::recordMove(const Puzzle& before, const Puzzle& after) {
    if (states_.empty()) states_.push_back(before);
    states_.resize(position_ + 1);
    states_[position_] = before;
    states_.push_back(after);
    ++position_;
    if (states_.size() > kMostPositions) {
        states_.erase(states_.begin());
        --position_;
    }
}

const Puzzle* PuzzleHistory::undo(const Puzzle& board) {
    if (!canUndo()) return nullptr;
    states_[position_] = board;
    return &states_[--position_];
}

const Puzzle* PuzzleHistory::redo(const Puzzle& board) {
    if (!canRedo()) return nullptr;
    states_[position_] = board;
    return &states_[++position_];
}

bool boardAtRest(const Puzzle& p) {
    if (p.flags & (kPuzzleBusy | kPuzzleStarting)) return false;
    for (int i = 0; i < 3; ++i)
        if (p.currRot[i] != p.dstRot[i] || p.currRot[i] != 0.0f) return false;
    for (const Block& b : p.blocks)
        if (b.state.flags & (kBlockBursting | kBlockMoving)) return false;
    return true;
}

void restoreKeepingClock(Puzzle* current, const Puzzle& saved) {
    constexpr std::uint32_t kClockFlags = kPuzzleTimed | kPuzzleTimeWarned;
    const std::uint32_t frame = current->frame;
    const std::int32_t startTime = current->startTime;
    const float numGameSecs = current->numGameSecs;
    const float progress = current->progress;
    const std::uint32_t clockFlags = current->flags & kClockFlags;
    *current = saved;
    current->frame = frame;
    current->startTime = startTime;
    current->numGameSecs = numGameSecs;
    current->progress = progress;
    current->flags = (current->flags & ~kClockFlags) | clockFlags | kPuzzleProgressChanged;
}
