#include "desktop/play/GameSession.h"

#include <utility>

#include "desktop/play/GameClock.h"
#include "platform/media/SystemSound.h"

GameSession::GameSession(Puzzle& board, Callbacks callbacks)
    : board_(board), callbacks_(std::move(callbacks)) {}

void GameSession::start(std::uint32_t number) {
    initPuzzleWithSeed(&board_, static_cast<long>(number));
    number_ = number;
    practice_ = false;
    ended_ = false;
    endReported_ = false;
    raisedBest_ = false;
    pendingSteps_ = 0;
    history_.start(board_);
    if (paused_) resume();
    changed();
}

void GameSession::recordMove(const Puzzle& before) {
    history_.recordMove(before, board_);
    changed();
}

// ---- Undo and redo ----

void GameSession::undo() {
    if (paused_) {
        resume();
        return;
    }
    if (!ended_) --pendingSteps_;
}

void GameSession::redo() {
    if (paused_) {
        resume();
        return;
    }
    if (!ended_) ++pendingSteps_;
}

void GameSession::takeHistoryStep() {
    if (pendingSteps_ == 0 || !boardAtRest(board_)) return;
    if (ended_) {
        pendingSteps_ = 0;
        return;
    }
    const Puzzle* target = nullptr;
    while (pendingSteps_ != 0) {
        const Puzzle* step = pendingSteps_ < 0 ? history_.undo(board_) : history_.redo(board_);
        pendingSteps_ += pendingSteps_ < 0 ? 1 : -1;
        if (!step) {
            pendingSteps_ = 0;
            break;
        }
        // The copy of the position just left is what the next step in this loop keeps.
        target = step;
        restoreKeepingClock(&board_, *step);
    }
    if (!target) return;
    // The old board's solver run and requests mean nothing for this one.
    if (callbacks_.boardReplaced) callbacks_.boardReplaced();
    solveRequest = 0;
    opRunning = 0;
    quitRequest = 0;
    checkSolution = 1;
    popSndRequest = dropSndRequest = cheerSndRequest = rejectSndRequest = 0;
    practice_ = true;
    changed();
}

// ---- Pause ----

void GameSession::togglePause() {
    if (paused_)
        resume();
    else
        pause();
}

void GameSession::pause() {
    if (paused_ || ended_ || (board_.flags & kPuzzleGameOver)) return;
    paused_ = true;
    if (GameClock* clock = GameClock::installed()) clock->pause();
    systemSoundPauseAll(true);
    changed();
}

void GameSession::resume() {
    if (!paused_) return;
    paused_ = false;
    if (GameClock* clock = GameClock::installed()) clock->resume();
    systemSoundPauseAll(false);
    changed();
}

// ---- The end ----

void GameSession::follow() {
    takeHistoryStep();
    if ((board_.flags & kPuzzleGameOver) && !ended_) {
        ended_ = true;
        pendingSteps_ = 0;
        endReason_ = gameEndReason(board_, puzzleTime());
        changed();
    }
    if (!ended_ || endReported_) return;
    for (const Block& b : board_.blocks)
        if (b.state.flags & (kBlockBursting | kBlockMoving)) return; // not settled yet
    endReported_ = true;
    GameOutcome outcome;
    outcome.reason = endReason_;
    outcome.score = board_.score;
    outcome.gameNumber = number_;
    outcome.gameType = gameTypeOf(board_);
    outcome.practice = practice_;
    outcome.newBest = raisedBest_;
    if (gameOverHandler_) gameOverHandler_(outcome);
}
