// A game's session, kept beside the game view: the board's number (the seed it was made from),
// the copies of the board that undo and redo step through (a game in which they were used is
// practice), the pause, and the end of a game, told once its bursts and falls have settled. It
// works on the board it is given and reaches the view only through callbacks.
#pragma once

#include <cstdint>
#include <functional>

#include "desktop/play/GameOutcome.h"
#include "desktop/play/PuzzleHistory.h"
#include "model/Puzzle.h"

class GameSession {
public:
    struct Callbacks {
        // A step of undo or redo replaced the board: a solver run of the old one means nothing.
        std::function<void()> boardReplaced;
        // The number, the pause or the practice mark changed, a move or a step was taken, or
        // the game ended: what undo and redo can do may have changed.
        std::function<void()> stateChanged;
    };

    GameSession(Puzzle& board, Callbacks callbacks);

    // A new game on a board made from `number`: the same number, the same board.
    void start(std::uint32_t number);
    std::uint32_t gameNumber() const { return number_; }
    bool isPractice() const { return practice_; }

    // A burst or a turn took the board, at rest, from `before` to where it is now.
    void recordMove(const Puzzle& before);
    // Asked now, taken once the board is at rest; nothing once the game is over. Asked while
    // paused, they only resume.
    void undo();
    void redo();
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }

    // The game's clock and sounds stand still while paused; only while a game is under way.
    void togglePause();
    void pause();
    void resume();
    bool isPaused() const { return paused_; }

    // This game raised the best score (told on the game-over report).
    void noteNewBest() { raisedBest_ = true; }

    // After each frame update: a step of undo or redo at rest, the end noted, and once its
    // bursts and falls have settled, the one report of it.
    void follow();
    bool hasEnded() const { return ended_; }
    GameEndReason endReason() const { return endReason_; }
    void setGameOverHandler(std::function<void(const GameOutcome&)> handler) {
        gameOverHandler_ = std::move(handler);
    }

private:
    void takeHistoryStep();
    void changed() const {
        if (callbacks_.stateChanged) callbacks_.stateChanged();
    }

    Puzzle& board_;
    Callbacks callbacks_;
    PuzzleHistory history_;
    std::uint32_t number_ = 0;
    bool practice_ = false;
    bool paused_ = false;
    bool ended_ = false;
    bool endReported_ = false;
    bool raisedBest_ = false;
    GameEndReason endReason_ = GameEndReason::Cleared;
    int pendingSteps_ = 0; // undo < 0 < redo, taken at rest
    std::function<void(const GameOutcome&)> gameOverHandler_;
};
