// The game view on real OpenGL ES 1.1 (offscreen) with the real solver and sounds: its GL state,
// camera and first pictures, the frame tick, the best score, solver runs and new games, touches,
// the time bar, the About alert's link, the skipped frames of a resting board and the frame timer
// that sleeps at rest.
#include "Classes/PuzzleView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Classes/SolveOperation.h"
#include "desktop/play/FrameRest.h"
#include "desktop/play/GameClock.h"
#include "desktop/play/PuzzleHistory.h"
#include "platform/base/OperationQueue.h"
#include "platform/base/RunLoop.h"
#include "platform/device/Clipboard.h"
#include "platform/device/URLOpener.h"
#include "platform/media/ImageDecoder.h"
#include "platform/media/Resources.h"
#include "platform/media/SystemSound.h"
#include "platform/ui/ProgressView.h"
#include "sim/Boards.h"
#include "sim/SolverBoards.h"
#include "support/GLTest.h"
#include "support/Views.h"

namespace {

using namespace std::chrono_literals;

int compositions = 0;             // times the window was composed: one per presented frame here
std::vector<SystemSoundID> plays; // main thread only
int playsOf(const std::unique_ptr<SoundEffect>& sound) {
    return sound ? int(std::count(plays.begin(), plays.end(), sound->soundID())) : 0;
}
std::int64_t simulatedNow = 1'000'000'000;

// The view point (origin top-left) where cell (x, y, z) of an unturned cube shows.
Point viewPointOfCell(int x, int y, int z) {
    const Win w = cameraToWindow(x - 2, y - 2, z - 2, 320, 480);
    return {float(w.x), float(480 - w.y)};
}
bool selected(int x, int y, int z) {
    return (puzzle.blocks[cellIndex(x, y, z)].state.flags & kBlockSelected) != 0;
}

// A solver run that holds its queue until it is cancelled.
class HeldSolveOperation : public SolveOperation {
public:
    explicit HeldSolveOperation(const Puzzle& p) : SolveOperation(p) {}
    void main() override {
        started.store(true);
        const auto deadline = RunLoop::Clock::now() + 10s;
        while (!isCancelled() && RunLoop::Clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        SolveOperation::main();
    }
    static inline std::atomic<bool> started{false};
};
std::shared_ptr<HeldSolveOperation> heldRun;
std::shared_ptr<SolveOperation> makeHeldRun(const Puzzle* p) {
    HeldSolveOperation::started = false;
    heldRun = std::make_shared<HeldSolveOperation>(*p);
    return heldRun;
}

class PuzzleViewTest : public GLTest {
protected:
    static void TearDownTestSuite() {
        GLTest::TearDownTestSuite();
        systemSoundShutdown();
    }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GLTest::SetUp());
        resetGameGlobals();
        checkSolution = 0; // no solver run unless a test asks for one
        plays.clear();
        setSystemSoundPlayObserver([](SystemSoundID id) { plays.push_back(id); });
        view = PuzzleView::initWithFrame({{0, 0}, {kWidth, kHeight}});
        ASSERT_NE(view, nullptr);
        compositions = 0;
        drawingId = windowAddDrawing(100.0f, [] { ++compositions; });
    }
    void TearDown() override {
        view.reset();
        windowRemoveDrawing(drawingId);
        PuzzleView::setSolveOperationFactory(nullptr);
        heldRun.reset();
        setURLOpener(nullptr);
        setSystemSoundPlayObserver(nullptr);
        setPuzzleClock(nullptr);
        runMainLoopFor(5ms); // notices of this test's runs die here
    }

    void tick(int n = 1) {
        for (int i = 0; i < n; ++i)
            view->drawView();
    }
    // Ticks until the board is at rest; false when it never is.
    bool settle() {
        for (int i = 0; i < 1000 && (puzzle.flags & (kPuzzleStarting | kPuzzleBusy)); ++i)
            view->drawView();
        return !(puzzle.flags & (kPuzzleStarting | kPuzzleBusy));
    }
    // A resting board with one pair of red bubbles at (1, 0, 4) and (2, 0, 4) and a lone blue
    // one at (0, 0, 0), laid out by a few ticks.
    void useRedPairBoard() {
        makeEmptyBoard(&puzzle);
        putBubble(&puzzle, 1, 0, 4, kColorRed);
        putBubble(&puzzle, 2, 0, 4, kColorRed);
        putBubble(&puzzle, 0, 0, 0, kColorBlue);
        tick(3);
        ASSERT_FALSE(puzzle.flags & (kPuzzleBusy | kPuzzleGameOver));
    }
    // A board on which the solver is due in the next tick.
    void askForSolverOn(void (*make)(Puzzle*)) {
        make(&puzzle);
        checkSolution = 1;
    }
    // The picture's pixel under a view point.
    Rgba shownAt(Point p) {
        std::vector<std::uint8_t> rgba;
        EXPECT_TRUE(view->readPixels(rgba));
        return pixelAt(rgba, kWidth, int(p.x), int(p.y));
    }

    std::unique_ptr<PuzzleView> view;
    int drawingId = 0;
};

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

// Nothing here should touch the player's store; whatever does goes to a scratch file.
int spheronPreferencesForTests = [] {
    static const std::string path =
        (fs::temp_directory_path() / ("spheron-puzzle-view-" + std::to_string(getpid()) + ".plist"))
            .string();
    setenv("SPHERON_PREFERENCES", path.c_str(), 1);
    std::atexit([] { fs::remove(path); });
    return 0;
}();
