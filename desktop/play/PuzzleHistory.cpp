#include "desktop/play/PuzzleHistory.h"

#include <cstring>

namespace {

// A packed copy is a series of runs, each two 16-bit counts (the copies never leave the
// process): bytes as in the first board, then bytes given literally, which follow the counts.
constexpr std::size_t kMostRun = 0xFFFF;

void putCount(std::vector<std::uint8_t>& out, std::size_t n) {
    out.push_back(static_cast<std::uint8_t>(n & 0xFF));
    out.push_back(static_cast<std::uint8_t>(n >> 8));
}

std::size_t takeCount(const std::uint8_t* at) {
    return std::size_t(at[0]) | std::size_t(at[1]) << 8;
}

} // namespace

PuzzleHistory::Packed PuzzleHistory::pack(const Puzzle& board) const {
    constexpr std::size_t n = sizeof(Puzzle);
    const auto* from = reinterpret_cast<const std::uint8_t*>(&board);
    const auto* base = reinterpret_cast<const std::uint8_t*>(&first_);
    Packed out;
    for (std::size_t i = 0; i < n;) {
        std::size_t same = 0;
        while (i < n && same < kMostRun && from[i] == base[i]) {
            ++i;
            ++same;
        }
        const std::size_t literalFrom = i;
        while (i < n && i - literalFrom < kMostRun) {
            if (from[i] != base[i]) {
                ++i;
                continue;
            }
            // Fewer than four equal bytes before the next different one cost less inside the
            // literal run than a new run's counts.
            std::size_t k = i;
            while (k < n && k - i < 4 && from[k] == base[k])
                ++k;
            if (k - i >= 4 || k == n || k - literalFrom > kMostRun) break;
            i = k;
        }
        putCount(out, same);
        putCount(out, i - literalFrom);
        out.insert(out.end(), from + literalFrom, from + i);
    }
    out.shrink_to_fit();
    return out;
}

const Puzzle* PuzzleHistory::unpack(const Packed& packed) {
    auto* to = reinterpret_cast<std::uint8_t*>(&shown_);
    const auto* base = reinterpret_cast<const std::uint8_t*>(&first_);
    std::size_t at = 0;
    for (std::size_t i = 0; i + 4 <= packed.size();) {
        const std::size_t same = takeCount(&packed[i]);
        const std::size_t literal = takeCount(&packed[i + 2]);
        i += 4;
        std::memcpy(to + at, base + at, same);
        at += same;
        std::memcpy(to + at, &packed[i], literal);
        at += literal;
        i += literal;
    }
    return &shown_;
}

void PuzzleHistory::start(const Puzzle& board) {
    first_ = board;
    std::deque<Packed>().swap(states_); // a long game's storage goes with it
    states_.push_back(pack(board));
    position_ = 0;
}

void PuzzleHistory::recordMove(const Puzzle& before, const Puzzle& after) {
    if (states_.empty()) start(before);
    states_.resize(position_ + 1);
    states_[position_] = pack(before);
    states_.push_back(pack(after));
    ++position_;
    if (states_.size() > kMostPositions) {
        states_.pop_front();
        --position_;
    }
}

const Puzzle* PuzzleHistory::undo(const Puzzle& board) {
    if (!canUndo()) return nullptr;
    states_[position_] = pack(board);
    return unpack(states_[--position_]);
}

const Puzzle* PuzzleHistory::redo(const Puzzle& board) {
    if (!canRedo()) return nullptr;
    states_[position_] = pack(board);
    return unpack(states_[++position_]);
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
