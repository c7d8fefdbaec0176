// The game view at rest: a resting board is not redrawn while its frames still count, and the
// frame timer that sleeps at rest plays a game frame for frame as one that never sleeps.

#include "support/PuzzleViewFixture.h"

namespace {

// ---------------------------------------------------------------------------------------------
// A resting board costs almost nothing

TEST_F(PuzzleViewTest, ARestingBoardIsNotRedrawnButItsFramesCountAndAPulseIsRedrawnEveryTick) {
    makeRestingBoard(&puzzle, 11);
    tick(2); // laid out and shown once
    std::vector<std::uint8_t> shown, later;
    ASSERT_TRUE(view->readPixels(shown));
    compositions = 0;
    const std::uint32_t frame = puzzle.frame;
    tick(50);
    EXPECT_EQ(compositions, 0);
    EXPECT_EQ(puzzle.frame, frame + 50);
    ASSERT_TRUE(view->readPixels(later));
    EXPECT_EQ(shown, later); // the skipped frames leave the last picture shown

    // A change of what is shown draws once; a turning cube every tick until it rests.
    view->setHintState(0);
    tick(5);
    EXPECT_EQ(compositions, 1);
    view->rotateLeft();
    tick(5);
    EXPECT_EQ(compositions, 6);
    // A pulsing selection, once its score bubble has counted down and gone, every tick.
    useRedPairBoard();
    const Point at = viewPointOfCell(2, 0, 4);
    view->touchesBegan(at, at);
    ASSERT_TRUE(selected(2, 0, 4));
    tick(100);
    compositions = 0;
    tick(20);
    EXPECT_EQ(compositions, 20);
}

// ---------------------------------------------------------------------------------------------
// The frame timer sleeps at rest, and the game comes out the same

RunLoop::Clock::time_point playStart;
std::vector<std::pair<std::int64_t, SystemSoundID>> heard; // frame slot, sound
void hear(SystemSoundID id) {
    heard.emplace_back((RunLoop::main().loopTime() - playStart) / 20ms, id);
}

struct PlayedGame {
    std::vector<std::pair<std::int64_t, SystemSoundID>> sounds;
    Puzzle board;
    int ticks = 0;
    std::map<std::int64_t, std::uint32_t> frames; // the frame count after each tick, by slot
};

// A one-minute game of board 7 on the main loop's simulated clock, the view's timer at 50 Hz
// behind a player's timer: every 2.74 s a hint, a tap under the cursor or a turn when the board
// rests, a pause from 20 s to 24 s, the time bar's last seconds, then rest until 75 s.
PlayedGame playTimedGame(PuzzleView& view, bool sleepsAtRest) {
    FrameRest::setEnabled(sleepsAtRest);
    RunLoop& loop = RunLoop::main();
    loop.setSimulatedTime(true);
    playStart = loop.loopTime();
    GameClock clock(simulatedNow, [&loop] {
        return std::chrono::duration<double>(loop.loopTime() - playStart).count();
    });
    GameClock::install(&clock);
    heard.clear();
    setSystemSoundPlayObserver(hear);
    // Every play is heard: none is dropped for overlapping one whose real-time end is late.
    const GameSounds& sounds = view.sounds();
    for (const auto* sound :
         {&sounds.popSound, &sounds.dropSound, &sounds.cheerSound, &sounds.rejectSound,
          &sounds.startSound, &sounds.warnSound, &sounds.highScoreSound})
        if (*sound) (*sound)->setMaximumNumberOfConcurrentSounds(1000);
    auto bar = ProgressView::initWithFrame({{80, 412}, {160, 14}});
    view.setProgressView(bar.get());
    view.setHighScore(0);
    view.setGameType(1);
    view.newGameWithNumber(7);
    int slot = 0, actions = 0;
    auto player = loop.scheduleRepeatingTimer(0.02, [&] {
        ++slot;
        if (slot == 1000) view.pause();
        if (slot == 1200) view.resume();
        if (slot % 137 != 0 || !boardAtRest(puzzle) || view.isPaused()) return;
        if (++actions % 3 == 0)
            view.rotateRight();
        else
            view.keyboardAction(actions % 3 == 1 ? KeyboardCursor::Key::Hint
                                                 : KeyboardCursor::Key::Tap);
    });
    PlayedGame game;
    view.setAnimationTimer(loop.scheduleRepeatingTimer(0.02, [&] {
        ++game.ticks;
        view.drawView();
        game.frames[(loop.loopTime() - playStart) / 20ms] = puzzle.frame;
    }));
    loop.runUntil(playStart + 75s - 1ms);
    player->invalidate();
    // The frames slept through count from the next tick on: the last slot ticks in both.
    FrameRest::wake(view.animationTimer().get());
    loop.runUntil(playStart + 75s);
    view.stopAnimation();
    view.setProgressView(nullptr);
    GameClock::install(nullptr);
    loop.setSimulatedTime(false);
    FrameRest::setEnabled(true);
    game.sounds = heard;
    game.board = puzzle;
    return game;
}

TEST_F(PuzzleViewTest, ATimerThatSleepsAtRestPlaysAGameFrameForFrameAsOneThatNeverSleeps) {
    PuzzleView::setSolverAnswersBeforeNextFrame(true); // a run of the game repeats exactly
    PuzzleView::setFramesUnseen(true);
    const PlayedGame ticking = playTimedGame(*view, false);
    const PlayedGame sleeping = playTimedGame(*view, true);
    PuzzleView::setFramesUnseen(false);
    PuzzleView::setSolverAnswersBeforeNextFrame(false);
    EXPECT_EQ(view->endReason(), GameEndReason::TimeUp);
    EXPECT_GT(ticking.board.score, 0u);
    EXPECT_EQ(sleeping.sounds, ticking.sounds); // the same sounds in the same frames
    for (const auto& [slot, frame] : sleeping.frames)
        ASSERT_EQ(frame, ticking.frames.at(slot)) << "slot " << slot;
    EXPECT_EQ(std::memcmp(&sleeping.board, &ticking.board, sizeof(Puzzle)), 0);
    EXPECT_LT(sleeping.ticks, ticking.ticks / 2) << "ticks while asleep";

    // Asleep after the end, the timer wakes for input.
    view->startAnimation(0.02f);
    ASSERT_TRUE(runLoopUntil([&] { return view->animationTimer()->isSuspended(); }));
    view->keyboardAction(KeyboardCursor::Key::Left);
    EXPECT_FALSE(view->animationTimer()->isSuspended());
}

} // namespace
