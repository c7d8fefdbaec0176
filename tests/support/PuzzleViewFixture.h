#pragma once
// The game view on real OpenGL ES 1.1 (offscreen) with the real solver and sounds, for the suites
// that test it: the fixture, its hooks and the scratch store that keeps the player's untouched.
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
[[maybe_unused]] int playsOf(const std::unique_ptr<SoundEffect>& sound) {
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
[[maybe_unused]] std::shared_ptr<SolveOperation> makeHeldRun(const Puzzle* p) {
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

// Nothing here should touch the player's store; whatever does goes to a scratch file.
const int spheronPreferencesForTests = [] {
    static const std::string path =
        (fs::temp_directory_path() / ("spheron-puzzle-view-" + std::to_string(getpid()) + ".plist"))
            .string();
    setenv("SPHERON_PREFERENCES", path.c_str(), 1);
    std::atexit([] { fs::remove(path); });
    return 0;
}();

} // namespace
