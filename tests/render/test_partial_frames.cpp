// Frames that redraw and present only what changed, checked against whole redraws of the same
// frames on the game view with the shipped images, on both ways to the window: the swap, and the
// window framebuffer that software drawing on X uses (offscreen, SDL keeps one too).
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
#include "platform/gl/GLLayer.h"
#include "platform/media/SystemSound.h"
#include "sim/Boards.h"
#include "support/GLTest.h"

namespace {

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
// and on, and a turn. What reaches the window's framebuffer is the composed window, pixel for pixel.
TEST_P(PartialFramesTest, AFrameRedrawnInPartShowsExactlyTheWholeFrame) {
    makeRestingBoard(&puzzle, 11);
    tick();
    tick();
    int frame = 0;
    auto sameColours = [](const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
        for (std::size_t i = 0; i < a.size() && a.size() == b.size(); i += 4)
            if (std::memcmp(&a[i], &b[i], 3) != 0) return false;
        return a.size() == b.size();
    };
    auto partEqualsWhole = [&](int ticks) {
        for (int i = 0; i < ticks; ++i, ++frame) {
            std::vector<std::uint8_t> part, whole, window;
            int w = 0, h = 0;
            tick();
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
