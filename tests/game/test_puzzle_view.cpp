// The game view on real OpenGL ES 1.1 (offscreen) with the real solver and sounds: its GL state,
// camera and first pictures, the frame tick, the best score, solver runs and new games, touches,
// the time bar, the About alert's link.

#include "support/PuzzleViewFixture.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Construction and the first pictures

// Mean of the 2 x 2 texels at the centre of a shipped image: what a quad shows in its middle.
Rgba imageCentre(const std::string& name) {
    const DecodedImage image = decodePngFile(resourcePath(name));
    int sum[4] = {};
    for (int y = image.height / 2 - 1; y <= image.height / 2; ++y)
        for (int x = image.width / 2 - 1; x <= image.width / 2; ++x)
            for (int c = 0; c < 4; ++c)
                sum[c] += image.pixels.get()[(y * image.width + x) * 4 + c];
    return {sum[0] / 4, sum[1] / 4, sum[2] / 4, sum[3] / 4};
}

// The GL state and the camera show in the pixels: blended shipped images where a camera with the
// published numbers (eye at z = 7.55, 60 degrees vertically) puts the front face's cells.
TEST_F(PuzzleViewTest, ConstructionSetsTheGLStateTheCameraAndAFirstBoardDroppingIn) {
    EXPECT_TRUE(view->isCurrentContext());
    EXPECT_TRUE(puzzle.flags & kPuzzleStarting);
    // The first frame is the background alone; once the board has landed, the front face shows
    // the shipped bubble images where the camera puts them.
    EXPECT_TRUE(looksLike(shownAt({kWidth / 2, kHeight - 1}), {178, 180, 179, 255}));
    for (int frames = 0; (puzzle.flags & kPuzzleStarting) && frames < 500; ++frames)
        view->drawFrame();
    view->drawFrame();
    const char* images[kNumColors] = {"red_bubble64x64-1.png",   "blue_bubble64x64-1.png",
                                      "green_bubble64x64-1.png", "yellow_bubble64x64-1.png",
                                      "pink_bubble64x64-1.png",  "orange_bubble64x64-1.png",
                                      "white_bubble64x64-1.png"};
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 5; ++y) {
            const int color = puzzle.blocks[cellIndex(x, y, 4)].state.color;
            EXPECT_TRUE(
                looksLike(shownAt(viewPointOfCell(x, y, 4)), imageCentre(images[color]), 16))
                << x << "," << y << " " << images[color];
        }
}

// ---------------------------------------------------------------------------------------------
// The tick, the best score and the vibration

TEST_F(PuzzleViewTest, AGameThatBeatsTheBestScoreRecordsItAndCheersOnceAndVibratesOnce) {
    ASSERT_NE(view->sounds().highScoreSound, nullptr);
    const int vibrations = vibrationCount();
    const struct {
        unsigned best, expected;
        int cheers;
    } cases[] = {{10, 40, 1}, {40, 40, 0}, {41, 41, 0}};
    for (const auto& c : cases) {
        makeRestingBoard(&puzzle, 7);
        puzzle.score = 40;
        view->setHighScore(c.best);
        plays.clear();
        tick(5); // a better score while the game goes on is not a best score yet
        EXPECT_EQ(view->getHighScore(), c.best);
        quitRequest = 1; // the next update ends the game
        tick(20);
        EXPECT_TRUE(puzzle.flags & kPuzzleGameOver);
        EXPECT_EQ(view->getHighScore(), c.expected);
        EXPECT_EQ(highScore, c.expected);
        EXPECT_EQ(playsOf(view->sounds().highScoreSound), c.cheers) << c.best;
        EXPECT_EQ(highScoreSndRequest, 0);
        view->refreshAction();
    }
    EXPECT_EQ(vibrationCount(), vibrations + 3);
}

// ---------------------------------------------------------------------------------------------
// Solver runs and new games

TEST_F(PuzzleViewTest, TheSolversAnswerEndsTheGameOnlyWithoutAMove) {
    for (bool moveLeft : {true, false}) {
        const int vibrations = vibrationCount();
        askForSolverOn(moveLeft ? makePairBoard : makeNoMoveBoard);
        tick();
        EXPECT_EQ(opRunning, 1);
        EXPECT_EQ(solveRequest, 0);
        ASSERT_NE(view->solveOperation(), nullptr);
        ASSERT_TRUE(runLoopUntil([] { return opRunning == 0; }));
        EXPECT_EQ(quitRequest, moveLeft ? 0 : 1);
        EXPECT_EQ(view->solveOperation(), nullptr);
        EXPECT_EQ(view->operationQueue(), nullptr);
        tick(10);
        EXPECT_EQ((puzzle.flags & kPuzzleGameOver) != 0, !moveLeft);
        EXPECT_EQ(vibrationCount(), vibrations + (moveLeft ? 0 : 1));
    }
}

// The run has answered "no move" and its notice waits in the main loop when the player starts a
// new game: the new game must go on, however often it happens.
TEST_F(PuzzleViewTest, AFinishedRunWhoseNoticeIsLateNeverEndsTheNewGame) {
    const int vibrations = vibrationCount();
    for (int round = 0; round < 10; ++round) {
        askForSolverOn(makeNoMoveBoard);
        tick();
        const std::shared_ptr<SolveOperation> run = view->solveOperation();
        ASSERT_NE(run, nullptr);
        view->operationQueue()->waitUntilAllOperationsAreFinished();
        ASSERT_FALSE(run->solved());
        view->refreshAction();
        runMainLoopFor(20ms);
        EXPECT_EQ(quitRequest, 0);
        EXPECT_EQ(opRunning, 0);
    }
    ASSERT_TRUE(settle());
    tick(10);
    EXPECT_FALSE(puzzle.flags & kPuzzleGameOver);
    EXPECT_EQ(vibrationCount(), vibrations);
}

TEST_F(PuzzleViewTest, ANewGameOrTeardownCancelsARunningSolverAndWaitsForIt) {
    PuzzleView::setSolveOperationFactory(makeHeldRun);
    askForSolverOn(makeNoMoveBoard);
    tick();
    ASSERT_TRUE(runLoopUntil([] { return HeldSolveOperation::started.load(); }));
    quitRequest = 1;
    view->refreshAction();
    // The new board came after the run had ended.
    EXPECT_TRUE(heldRun->isCancelled() && heldRun->isFinished());
    EXPECT_EQ(view->solveOperation(), nullptr);
    EXPECT_EQ(opRunning + solveRequest + quitRequest, 0);
    EXPECT_TRUE(liveCount(&puzzle) == kNumBlocks && (puzzle.flags & kPuzzleStarting));
    runMainLoopFor(20ms);
    EXPECT_EQ(quitRequest + opRunning, 0);

    // The next request launches again, and the view's end waits for that run too.
    askForSolverOn(makeNoMoveBoard);
    tick();
    EXPECT_EQ(opRunning, 1);
    ASSERT_TRUE(runLoopUntil([] { return HeldSolveOperation::started.load(); }));
    view.reset();
    EXPECT_TRUE(heldRun->isFinished());
    runMainLoopFor(20ms); // its notice finds no view
    EXPECT_EQ(quitRequest, 0);
}

// ---------------------------------------------------------------------------------------------
// Touches

TEST_F(PuzzleViewTest, ATapSelectsAGroupAndASecondOneBurstsItInTheModelAndOnScreen) {
    useRedPairBoard();
    const Point at = viewPointOfCell(2, 0, 4);
    EXPECT_GT(shownAt(at).r, 150);
    view->touchesBegan(at, at);
    EXPECT_TRUE(selected(2, 0, 4) && selected(1, 0, 4));
    EXPECT_FALSE(selected(0, 0, 0));
    EXPECT_EQ(puzzle.selectScore, 1u);
    EXPECT_FLOAT_EQ(view->location().x, at.x); // kept with the origin at the bottom-left
    EXPECT_FLOAT_EQ(view->location().y, kHeight - at.y);
    view->touchesEnded(at, at);

    view->touchesBegan(at, at);
    EXPECT_EQ(puzzle.score, 1u);
    EXPECT_EQ(liveCount(&puzzle), 1);
    tick(40); // the bursts run their course
    const Rgba now = shownAt(at);
    EXPECT_LT(now.r - now.b, 40) << "the red bubble is still shown"; // grey-white background
}

TEST_F(PuzzleViewTest, UndoTakesTheBurstBackAtRestMakesPracticeAndRaisesNoBestScore) {
    useRedPairBoard();
    putBubble(&puzzle, 1, 0, 0, kColorBlue); // a blue pair keeps the game going after the burst
    tick(3);
    const Point at = viewPointOfCell(2, 0, 4);
    view->touchesBegan(at, at);
    view->touchesBegan(at, at); // the burst
    ASSERT_EQ(puzzle.score, 1u);
    view->undoAction(); // asked while the burst runs: taken once the board rests
    tick(1);
    EXPECT_EQ(liveCount(&puzzle), 2);
    ASSERT_TRUE(settle());
    tick(40);
    EXPECT_EQ(puzzle.score, 0u);
    EXPECT_EQ(liveCount(&puzzle), 4);
    EXPECT_GT(shownAt(at).r, 150); // the red bubble is back on screen
    EXPECT_TRUE(view->isPractice());
    view->redoAction();
    tick(1);
    EXPECT_EQ(puzzle.score, 1u);
    EXPECT_EQ(liveCount(&puzzle), 2);
    view->setHighScore(0);
    quitRequest = 1;
    tick(40);
    ASSERT_TRUE(puzzle.flags & kPuzzleGameOver);
    EXPECT_EQ(highScore, 0u); // a practice game's score is no best score
    EXPECT_EQ(playsOf(view->sounds().highScoreSound), 0);
    view->undoAction(); // nothing once the game is over
    tick(5);
    EXPECT_EQ(puzzle.score, 1u);
}

TEST_F(PuzzleViewTest, AGameNumberIsItsBoardAndTheEndIsToldOnceSettled) {
    std::vector<GameOutcome> told;
    view->setGameOverHandler([&](const GameOutcome& o) { told.push_back(o); });
    Puzzle expected;
    initPuzzleWithSeed(&expected, 4294967295L);
    view->newGameWithNumber(4294967295u); // (that it replays, the end-to-end run shows)
    EXPECT_EQ(view->gameNumber(), 4294967295u);
    for (int n = 0; n < kNumBlocks; ++n)
        ASSERT_EQ(puzzle.blocks[n].state.color, expected.blocks[n].state.color) << n;
    useRedPairBoard();
    const Point at = viewPointOfCell(2, 0, 4);
    view->touchesBegan(at, at);
    view->touchesBegan(at, at); // the last pair: no pairs are left
    tick(2);
    EXPECT_TRUE(view->hasEnded());
    EXPECT_TRUE(told.empty()); // the bursts still run
    tick(60);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].reason, GameEndReason::NoPairsLeft);
    EXPECT_EQ(told[0].score, 1u);
    EXPECT_EQ(told[0].gameNumber, 4294967295u);
    EXPECT_FALSE(told[0].practice);
}

// The window's hit-testing hands a touch to the view in its own points, at any surface density.
TEST_F(PuzzleViewTest, TouchesArriveThroughTheWindowInPointsAlsoOnADoubleDensitySurface) {
    for (float scale : {1.0f, 2.0f}) {
        view.reset();
        View::setDefaultContentScale(scale);
        view = PuzzleView::initWithFrame({{0, 64}, {kWidth, kHeight}}); // under a bar
        View::setDefaultContentScale(1.0f);
        ASSERT_NE(view, nullptr);
        ASSERT_EQ(view->surfaceSize().width, scale * kWidth);
        auto window = Window::initWithFrame({{0, 0}, {kWidth, kHeight + 64}});
        window->addSubview(view.get());
        window->makeKeyAndVisible();
        useRedPairBoard();
        const Point at = viewPointOfCell(1, 0, 4);
        InputEvent down;
        down.location = {at.x, at.y + 64};
        EXPECT_TRUE(window->sendEvent(down));
        EXPECT_TRUE(selected(1, 0, 4) && selected(2, 0, 4)) << scale;
        EXPECT_FLOAT_EQ(view->location().y, kHeight - at.y);
        view.reset(); // leaves the window
    }
}

// ---------------------------------------------------------------------------------------------
// The time bar and the About alert

TEST_F(PuzzleViewTest, TheTimeBarFollowsATimedGameRefillsForTheNextAndHidesWhenUntimed) {
    setPuzzleClock([] { return simulatedNow; });
    auto bar = ProgressView::initWithFrame({{80, 412}, {160, 14}});
    view->setProgressView(bar.get());
    for (int type : {3, 3, 0}) { // three minutes, twice, then untimed
        view->setGameType(unsigned(type));
        view->refreshAction();
        EXPECT_EQ(bar->isHidden(), type == 0);
        ASSERT_TRUE(settle()); // the clock starts once the board has landed
        for (float left : {0.5f, 0.25f}) {
            simulatedNow += 45 * (type == 0 ? 0 : left == 0.5f ? 2 : 1);
            tick();
            EXPECT_FLOAT_EQ(bar->progress(), type ? left : 1.0f);
        }
    }
    view->setProgressView(nullptr); // the bar goes before the view
}

// The About alert's Email button opens the contact link; without a mail program the address goes
// to the clipboard, and a short alert says where it went.
TEST_F(PuzzleViewTest, AnEmailThatNoMailProgramTakesIsCopiedAndSaidSo) {
    auto window = Window::initWithFrame({{0, 0}, {kWidth, kHeight}});
    window->makeKeyAndVisible();
    const std::string address = SPHERON_CONTACT_EMAIL;
    std::vector<std::string> opened;
    struct Case {
        bool opened, copied;
        const char* notice; // none when the mail program took the link
    };
    for (const Case c :
         {Case{true, true, nullptr}, Case{false, true, "Address copied to the clipboard: "},
          Case{false, false, "No mail program took the link. Write to: "}}) {
        std::vector<std::string> clipboard;
        setURLOpener([&](const std::string& url) {
            opened.push_back(url);
            return c.opened;
        });
        setClipboardWriter([&](const std::string& text) {
            clipboard.push_back(text);
            return c.copied;
        });
        view->infoAction();
        view->aboutAlert()->dismissWithClickedButtonIndex(0, true); // Go Back! opens nothing
        view->infoAction();
        view->aboutAlert()->dismissWithClickedButtonIndex(1, true);
        AlertView* notice = view->aboutAlert();
        EXPECT_EQ(notice->isVisible(), c.notice != nullptr);
        if (c.notice) {
            EXPECT_EQ(notice->message(), c.notice + address);
            EXPECT_EQ(clipboard, std::vector<std::string>{address});
            EXPECT_TRUE(window->sendEvent(keyDown(KeyCode::Escape))); // OK closes it
            EXPECT_FALSE(notice->isVisible());
        } else {
            EXPECT_TRUE(clipboard.empty());
        }
    }
    EXPECT_EQ(opened,
              std::vector<std::string>(3, "mailto:" + address + "?subject=spheron:comment"));
    setClipboardWriter(nullptr);
    view.reset();
}
} // namespace
