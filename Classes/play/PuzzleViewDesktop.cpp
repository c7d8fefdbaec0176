// The game view's desktop part, beyond the phone game: numbered boards, undo and redo through
// copies of the board, pause, the end of a game told once its bursts have settled, and the time
// bar's warning. Platform headers only; no SDL.
#include <cmath>
#include <numbers>

#include "Classes/PuzzleView.h"
#include "Classes/SolveOperation.h"
#include "Classes/play/GameClock.h"
#include "platform/base/OperationQueue.h"
#include "platform/media/SystemSound.h"
#include "platform/ui/ProgressView.h"

namespace {

bool solverAnswersBeforeNextFrame = false;

// The warning's red, and how it pulses: once a second between full and lighter.
constexpr Color kWarningRed{0.86f, 0.08f, 0.06f, 1.0f};
constexpr Color kWarningLight{1.0f, 0.55f, 0.50f, 1.0f};
constexpr float kFramesPerSecond = 50.0f;

} // namespace

void PuzzleView::setSolverAnswersBeforeNextFrame(bool on) {
    solverAnswersBeforeNextFrame = on;
}

void PuzzleView::startGame(std::uint32_t number) {
    initPuzzleWithSeed(&puzzle, static_cast<long>(number));
    gameNumber_ = number;
    practice_ = false;
    ended_ = false;
    endReported_ = false;
    raisedBest_ = false;
    pendingSteps_ = 0;
    history_.start(puzzle);
    if (_progressView) _progressView->setProgressTintColor(std::nullopt);
    if (paused_) resume();
    noteGameState();
}

void PuzzleView::newGameWithNumber(std::uint32_t number) {
    cancelSolveOperation();
    solveRequest = 0;
    opRunning = 0;
    quitRequest = 0;
    startGame(number);
    showProgressView();
}

void PuzzleView::noteGameState() {
    setNeedsDisplay();
    if (gameStateHandler_) gameStateHandler_();
}

void PuzzleView::recordMove(const Puzzle& before) {
    history_.recordMove(before, puzzle);
}

// ---- Undo and redo ----

void PuzzleView::undoAction() {
    if (paused_) {
        resume();
        return;
    }
    if (!ended_) --pendingSteps_;
}

void PuzzleView::redoAction() {
    if (paused_) {
        resume();
        return;
    }
    if (!ended_) ++pendingSteps_;
}

void PuzzleView::takeHistoryStep() {
    if (pendingSteps_ == 0 || !boardAtRest(puzzle)) return;
    if (ended_) {
        pendingSteps_ = 0;
        return;
    }
    const Puzzle* target = nullptr;
    while (pendingSteps_ != 0) {
        const Puzzle* step = pendingSteps_ < 0 ? history_.undo(puzzle) : history_.redo(puzzle);
        pendingSteps_ += pendingSteps_ < 0 ? 1 : -1;
        if (!step) {
            pendingSteps_ = 0;
            break;
        }
        // The copy of the position just left is what the next step in this loop keeps.
        target = step;
        restoreKeepingClock(&puzzle, *step);
    }
    if (!target) return;
    // The old board's solver run and requests mean nothing for this one.
    cancelSolveOperation();
    solveRequest = 0;
    opRunning = 0;
    quitRequest = 0;
    checkSolution = 1;
    popSndRequest = dropSndRequest = cheerSndRequest = rejectSndRequest = 0;
    if (!practice_) {
        practice_ = true;
        noteGameState();
    }
    setNeedsDisplay();
}

// ---- Pause ----

void PuzzleView::pauseAction() {
    if (paused_)
        resume();
    else
        pause();
}

void PuzzleView::pause() {
    if (paused_ || ended_ || (puzzle.flags & kPuzzleGameOver)) return;
    paused_ = true;
    if (GameClock* clock = GameClock::installed()) clock->pause();
    systemSoundPauseAll(true);
    noteGameState();
}

void PuzzleView::resume() {
    if (!paused_) return;
    paused_ = false;
    if (GameClock* clock = GameClock::installed()) clock->resume();
    systemSoundPauseAll(false);
    noteGameState();
}

// ---- The tick's desktop part ----

void PuzzleView::followGame() {
    if (solverAnswersBeforeNextFrame && solveOperation_ && operationQueue_) {
        // The answer as the next frame would see it: a scripted run never races the solver.
        operationQueue_->waitUntilAllOperationsAreFinished();
        const std::shared_ptr<SolveOperation> run = solveOperation_; // the call forgets it
        solveOperationDidFinish(run);
    }
    takeHistoryStep();
    if ((puzzle.flags & kPuzzleGameOver) && !ended_) {
        ended_ = true;
        pendingSteps_ = 0;
        endReason_ = gameEndReason(puzzle, puzzleTime());
    }
    if (ended_ && !endReported_) {
        bool settled = true;
        for (const Block& b : puzzle.blocks)
            settled = settled && !(b.state.flags & (kBlockBursting | kBlockMoving));
        if (settled) {
            endReported_ = true;
            GameOutcome outcome;
            outcome.reason = endReason_;
            outcome.score = puzzle.score;
            outcome.gameNumber = gameNumber_;
            outcome.gameType = gameTypeOf(puzzle);
            outcome.practice = practice_;
            outcome.newBest = raisedBest_;
            if (gameOverHandler_) gameOverHandler_(outcome);
        }
    }
    // The last ten seconds of a timed game: the time bar turns red and pulses.
    if (!_progressView) return;
    const bool warning = (puzzle.flags & kPuzzleTimeWarned) && !(puzzle.flags & kPuzzleGameOver);
    if (!warning) {
        if (_progressView->progressTintColor()) {
            _progressView->setProgressTintColor(std::nullopt);
            setNeedsDisplay();
        }
        return;
    }
    const float phase = static_cast<float>(puzzle.frame) / kFramesPerSecond;
    const float t = 0.5f - 0.5f * std::cos(phase * 2.0f * std::numbers::pi_v<float>);
    _progressView->setProgressTintColor(mixColor(kWarningRed, kWarningLight, t));
    setNeedsDisplay(); // the bar lies over the view and is composed with its frames
}
