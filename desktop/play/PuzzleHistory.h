// The boards of one game for undo and redo: copies of the board record, one per position, and
// the position on screen. Undo and redo step through the copies; no move is ever reversed by an
// inverse operation. Each copy is kept as the bytes in which it differs from the game's first
// board (at rest, mostly its bubbles' colours and flags) and comes back byte for byte. Model
// only; no platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "model/Puzzle.h"

class PuzzleHistory {
public:
    // The oldest positions go beyond this many (each at most about 16 KB, the whole record).
    static constexpr std::size_t kMostPositions = 500;

    // A new game: its board is the only position.
    void start(const Puzzle& board);
    // A move (a burst or a turn) took the board from `before`, at rest, to `after`: `before`
    // becomes the current position's copy, whatever could be redone goes, and `after` is the new
    // current position (its copy is taken again when the position is left, at rest).
    void recordMove(const Puzzle& before, const Puzzle& after);

    bool canUndo() const { return position_ > 0; }
    bool canRedo() const { return position_ + 1 < states_.size(); }
    // Leave the current position, keeping `board` (at rest) as its copy, for the one before
    // (undo) or after (redo); the copy to show, or nullptr when there is none. The copy stays
    // valid until the next call.
    const Puzzle* undo(const Puzzle& board);
    const Puzzle* redo(const Puzzle& board);

    std::size_t position() const { return position_; }
    std::size_t positions() const { return states_.size(); }

private:
    using Packed = std::vector<std::uint8_t>;
    Packed pack(const Puzzle& board) const;
    const Puzzle* unpack(const Packed& packed);

    Puzzle first_{};            // what every copy is told apart from
    std::deque<Packed> states_; // a deque: dropping the oldest moves none of the others
    std::size_t position_ = 0;
    Puzzle shown_{}; // the copy undo and redo hand out
};

// Nothing animates: no bubble bursts, moves or falls, no turn is under way, the board has
// dropped in and the model is not busy.
bool boardAtRest(const Puzzle& p);

// `saved` shown again on the running board `current`: the board, the score and the selection
// come from the copy; the clock of the game (its start, length, time bar and warning) and the
// drawing's frame count stay as they are, so stepping back in time gives no time back.
void restoreKeepingClock(Puzzle* current, const Puzzle& saved);
