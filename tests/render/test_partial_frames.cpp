// Frames that redraw and present only what changed, checked against whole redraws of the same
// frames on the game view with the shipped images, on both ways to the window: the swap, and the
// window framebuffer that software drawing on X uses (offscreen, SDL keeps one too). The time
// bar's seconds are composed alone, over a scene that is not drawn again. The lines over the game
// are composed over the boxes under them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "Classes/PuzzleView.h"
#include "desktop/panels/GameOverlays.h"
#include "platform/gl/GLLayer.h"
#include "platform/media/SystemSound.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/Window.h"
#include "sim/Boards.h"
#include "support/GLTest.h"

namespace {

// The same colours, pixel for pixel (alpha is whatever the buffer keeps).
bool sameColours(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    for (std::size_t i = 0; i < a.size() && a.size() == b.size(); i += 4)
        if (std::memcmp(&a[i], &b[i], 3) != 0) return false;
    return a.size() == b.size();
}

class PartialFramesTest : public GLTest, public ::testing::WithParamInterface<const char*> {
protected:
    static void TearDownTestSuite() {
        GLTest::TearDownTestSuite();
        systemSoundShutdown();
        unsetenv("SPHERON_PRESENT");
    }
    void SetUp() override {
        // The way is chosen when the screen opens.
        setenv("SPHERON_PRESENT", GetParam(), 1);
        screenClose();
        ASSERT_NO_FATAL_FAILURE(GLTest::SetUp());
        ASSERT_EQ(screenShowsThroughFramebuffer(), std::string(GetParam()) == "shm");
        resetGameGlobals();
        checkSolution = 0; // no solver run: its answer is not what is checked here
        view = PuzzleView::initWithFrame({{0, 0}, {kWidth, kHeight}});
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override {
        view.reset();
        GLTest::TearDown();
    }
    void tick() { view->drawView(); }

    std::unique_ptr<PuzzleView> view;
};

// A tick redraws only the pixels whose draws changed and presents only those; each must show, in
// the view and in the window, exactly what a whole redraw of the same frame shows: through a
// hint's selection and pulse, the cursor's ring, a burst and its falls, the hints switched off
// and on, and a turn. What reaches the window's framebuffer is the composed window, pixel for
// pixel.
TEST_P(PartialFramesTest, AFrameRedrawnInPartShowsExactlyTheWholeFrame) {
    makeRestingBoard(&puzzle, 11);
    tick();
    tick();
    int frame = 0;
    int straight = 0;
    auto partEqualsWhole = [&](int ticks) {
        for (int i = 0; i < ticks; ++i, ++frame) {
            std::vector<std::uint8_t> part, whole, window;
            int w = 0, h = 0;
            tick();
            straight += windowLastComposition().straight ? 1 : 0;
            ASSERT_TRUE(view->readPixels(part));
            ASSERT_TRUE(windowReadPixels(window, w, h)); // as the tick composed it
            ASSERT_TRUE(sameColours(part, window)) << "window, frame " << frame;
            if (screenShowsThroughFramebuffer()) {
                std::vector<std::uint8_t> shown;
                ASSERT_TRUE(screenReadWindowFramebuffer(shown, w, h));
                ASSERT_TRUE(sameColours(window, shown)) << "framebuffer, frame " << frame;
            }
            view->presentCurrentFrame();
            ASSERT_TRUE(view->readPixels(whole));
            ASSERT_TRUE(part == whole) << "frame " << frame;
        }
    };
    ASSERT_TRUE(view->keyboardAction(KeyboardCursor::Key::Hint));
    ASSERT_GT(puzzle.selectScore, 0u);
    partEqualsWhole(30);
    ASSERT_TRUE(view->keyboardAction(KeyboardCursor::Key::Tap));
    ASSERT_GT(puzzle.score, 0u);
    partEqualsWhole(60);
    view->setHintState(0);
    partEqualsWhole(3);
    ASSERT_TRUE(view->keyboardAction(KeyboardCursor::Key::Hint));
    partEqualsWhole(3);
    view->setHintState(1);
    view->rotateLeft();
    partEqualsWhole(12);
    // Through the framebuffer, the frames' parts go from the picture straight to the window.
    if (screenShowsThroughFramebuffer())
        EXPECT_GT(straight, 90);
    else
        EXPECT_EQ(straight, 0);
}

std::int64_t clockNow = 1000000;

// A timed game at rest: each second of its clock shows the time bar anew and nothing else. The
// tick composes the bar's part of the window alone (no frame of the scene is presented), and the
// window then equals a whole composition; the next tick in the same second composes nothing. The
// bar's last ten seconds pulse in the same way, frame by frame.
TEST_P(PartialFramesTest, ATimedSecondAtRestComposesTheTimeBarAlone) {
    setPuzzleClock([] { return clockNow; });
    auto window = Window::initWithFrame({{0, 0}, {kWidth, kHeight}});
    window->addSubview(view.get());
    auto bar = ProgressView::initWithFrame({{80, 412}, {160, 14}});
    window->addSubview(bar.get());
    window->makeKeyAndVisible();
    view->setProgressView(bar.get());
    view->setGameType(1);
    view->newGameWithNumber(7);
    for (int i = 0; i < 1000 && (puzzle.flags & (kPuzzleStarting | kPuzzleBusy)); ++i)
        tick();
    ASSERT_TRUE((puzzle.flags & kPuzzleTimed) && !(puzzle.flags & kPuzzleBusy));
    tick();

    // The bar covers window pixels x 80...240 and, from the bottom, y 54...68.
    const auto onlyTheBar = [](const WindowComposition& c) {
        return c.x <= 80 && c.x + c.width >= 240 && c.y <= 54 && c.y + c.height >= 68 &&
               c.width <= 166 && c.height <= 20;
    };
    std::vector<std::uint8_t> before, shown, whole, framebuffer;
    int w = 0, h = 0;
    const auto showsTheWholeWindow = [&](const char* when) {
        ASSERT_TRUE(windowReadPixels(shown, w, h));
        if (screenShowsThroughFramebuffer()) {
            ASSERT_TRUE(screenReadWindowFramebuffer(framebuffer, w, h));
            ASSERT_TRUE(sameColours(shown, framebuffer)) << "framebuffer, " << when;
        }
        ASSERT_TRUE(windowPresent());
        ASSERT_TRUE(windowReadPixels(whole, w, h));
        ASSERT_TRUE(sameColours(shown, whole)) << when;
    };
    ASSERT_TRUE(windowPresent());
    ASSERT_TRUE(windowReadPixels(before, w, h));
    for (int second = 1; second <= 3; ++second) {
        const std::uint64_t count = windowLastComposition().count;
        ++clockNow;
        tick();
        ASSERT_EQ(windowLastComposition().count, count + 1) << "second " << second;
        EXPECT_TRUE(onlyTheBar(windowLastComposition())) << "second " << second;
        ASSERT_NO_FATAL_FAILURE(showsTheWholeWindow("second"));
        EXPECT_FALSE(sameColours(before, shown)) << "the bar shows second " << second;
        before = shown;
        tick();
        EXPECT_EQ(windowLastComposition().count, count + 2) << "the same second, again";
    }

    clockNow += 52; // eight seconds left: the warning
    tick();
    for (int frame = 0; frame < 5; ++frame) {
        const std::uint64_t count = windowLastComposition().count;
        tick();
        ASSERT_EQ(windowLastComposition().count, count + 1) << "pulse " << frame;
        EXPECT_TRUE(onlyTheBar(windowLastComposition())) << "pulse " << frame;
        ASSERT_NO_FATAL_FAILURE(showsTheWholeWindow("pulse"));
    }
    view->setProgressView(nullptr);
    setPuzzleClock(nullptr);
}

// The lines over the game, in the view that lies over all of it as in the game: a frame's boxes
// that miss them go from the picture straight to the window; a box under them is composed with
// them over it, also while the notice shows lower down. What the window shows is, at every
// frame, the window composed whole.
TEST_P(PartialFramesTest, TheLinesOverTheGameAreComposedOverTheBoxesUnderThem) {
    auto window = Window::initWithFrame({{0, 0}, {kWidth, kHeight}});
    window->addSubview(view.get());
    auto lines = ScoreInfoView::initWithFrame({{0, 0}, {kWidth, kHeight}});
    window->addSubview(lines.get());
    window->makeKeyAndVisible();
    makeRestingBoard(&puzzle, 11);
    tick();
    ASSERT_TRUE(windowPresent());
    std::vector<std::uint8_t> shown, framebuffer;
    int w = 0, h = 0;
    int straight = 0;
    const auto ticks = [&](int count, const char* what) {
        for (int i = 0; i < count; ++i) {
            tick();
            straight += windowLastComposition().straight ? 1 : 0;
            ASSERT_TRUE(windowReadPixels(shown, w, h)); // composed whole, if it was behind
            if (!screenShowsThroughFramebuffer()) continue;
            ASSERT_TRUE(screenReadWindowFramebuffer(framebuffer, w, h));
            ASSERT_TRUE(sameColours(shown, framebuffer)) << what << ", frame " << i;
        }
    };
    ASSERT_TRUE(view->keyboardAction(KeyboardCursor::Key::Hint));
    ASSERT_NO_FATAL_FAILURE(ticks(20, "pulse"));
    EXPECT_EQ(straight > 0, screenShowsThroughFramebuffer());

    // A group at the cube's top front pulses under the notice's line, below the top line.
    ASSERT_TRUE(view->clearSelection());
    ASSERT_NO_FATAL_FAILURE(ticks(2, "cleared"));
    Block* top = nullptr;
    for (Block& b : puzzle.blocks) {
        if (isDead(b.state)) continue;
        selectBlock(&puzzle, &b);
        const bool group = puzzle.selectScore > 0;
        clearSelection(&puzzle);
        if (group && (!top || b.position[1] > top->position[1] ||
                      (b.position[1] == top->position[1] && b.position[2] > top->position[2])))
            top = &b;
    }
    ASSERT_NE(top, nullptr);
    lines->setNoPairNotice(true);
    ASSERT_TRUE(windowPresent());
    selectBlock(&puzzle, top);
    ASSERT_NO_FATAL_FAILURE(ticks(20, "pulse under the notice"));
    window.reset();
}

INSTANTIATE_TEST_SUITE_P(Presentation, PartialFramesTest, ::testing::Values("swap", "shm"),
                         [](const auto& param) { return std::string(param.param); });

} // namespace

// Nothing here should touch the player's store; whatever does goes to a scratch file.
int spheronPreferencesForPartialFrames = [] {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("spheron-partial-" + std::to_string(getpid()) + ".plist"))
                                        .string();
    setenv("SPHERON_PREFERENCES", path.c_str(), 1);
    std::atexit([] { std::filesystem::remove(path); });
    return 0;
}();
