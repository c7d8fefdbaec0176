// The game window at shapes other than 320 x 480, on real OpenGL ES (offscreen) and a scratch
// store: the toolbar's buttons as a centred group with Undo and Redo where the window is wide,
// the cube standing on the toolbar in a tall window, Tilt Control offered only with a sensor,
// and the way F11 comes back.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "Classes/AppDelegate.h"
#include "Classes/PuzzleView.h"
#include "desktop/panels/GameOverlays.h"
#include "desktop/panels/GamePanels.h"
#include "desktop/record/Settings.h"
#include "desktop/window/GameBars.h"
#include "platform/app/Application.h"
#include "platform/gl/Screen.h"
#include "platform/ui/Bars.h"
#include "platform/ui/ProgressView.h"
#include "sim/Boards.h"
#include "support/Views.h"

namespace {

class WindowShapeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(screenOpen({"test", 320, 480, false}));
        resetGameGlobals();
    }
    void TearDown() override {
        delegate.reset();
        Accelerometer::sharedAccelerometer().setSampleSource({});
        screenClose();
    }
    void launch() {
        delegate = std::make_unique<AppDelegate>(store, settingsFilePath());
        delegate->applicationDidFinishLaunching(nullptr);
        ASSERT_NE(delegate->puzzleView(), nullptr);
    }
    void resize(int w, int h) {
        SDL_SetWindowSize(screenWindow(), w, h);
        delegate->applicationWindowDidResize(nullptr);
    }
    void tick(int frames) {
        for (int i = 0; i < frames; ++i)
            delegate->puzzleView()->drawView();
    }
    void tap(View* view) { tapInWindow(*delegate->window(), centreInWindow(view)); }

    ScratchDir dir;
    UserDefaults store{(dir / "preferences.plist").string()};
    std::unique_ptr<AppDelegate> delegate;
};

// The same colour in every cell: a quarter turn, once over, moves the bubbles between cells.
bool sameBoard(const Puzzle& a, const Puzzle& b) {
    for (int i = 0; i < kNumBlocks; ++i)
        if (a.blocks[i].state.color != b.blocks[i].state.color) return false;
    return true;
}

TEST_F(WindowShapeTest, TheArrowsAreACentredGroupAndUndoRedoJoinThemOnlyWhereTheWindowIsWide) {
    launch();
    const struct {
        int w, h;
        bool history;
    } shapes[] = {
        {320, 480, false},  {1200, 800, true}, {1200, 900, true}, {600, 1200, false},
        {320, 400, false},  // wider than 2:3, but the bar has no room
        {518, 600, true},   // just room for both beside the centred arrows
        {517, 600, false},  //
        {480, 720, false},  // the 320 x 480 window's proportions, larger
        {1920, 1000, true}, // a maximised window
    };
    for (const auto& s : shapes) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        resize(s.w, s.h);
        const Toolbar& bar = *delegate->toolbar();
        EXPECT_EQ(bar.frame().size.width, float(s.w));
        Button* undo = historyButton(bar, false);
        Button* redo = historyButton(bar, true);
        EXPECT_EQ(undo != nullptr, s.history);
        EXPECT_EQ(redo != nullptr, s.history);
        // Every button inside the bar, left to right without overlapping.
        std::vector<Rect> frames;
        for (const auto& item : bar.items())
            if (item->button()) frames.push_back(item->button()->frame());
        ASSERT_EQ(frames.size(), s.history ? 6u : 4u);
        float right = 0.0f;
        for (const Rect& f : frames) {
            EXPECT_GE(f.origin.x, right);
            EXPECT_GT(f.origin.y, 0.0f);
            EXPECT_LT(f.origin.y + f.size.height, bar.frame().size.height);
            right = f.origin.x + f.size.width;
        }
        EXPECT_LE(right, float(s.w));
        // The arrows, in turn order, as far from one end as from the other.
        const Rect first = turnButton(bar, kDirLeft)->frame();
        const Rect last = turnButton(bar, kDirDown)->frame();
        EXPECT_NEAR(first.origin.x, float(s.w) - last.origin.x - last.size.width, 1.0f);
        if (s.history) {
            EXPECT_LT(redo->frame().origin.x, first.origin.x);
        }
        if (s.w == 320) { // where they have always stood in the 320 x 480 window
            EXPECT_EQ(first.origin.x, 19.0f);
        }
    }
}

TEST_F(WindowShapeTest, UndoAndRedoButtonsStepThroughTheGameAndGreyWhenTheyCannot) {
    launch();
    resize(1200, 800);
    Button* undo = historyButton(*delegate->toolbar(), false);
    Button* redo = historyButton(*delegate->toolbar(), true);
    ASSERT_TRUE(undo && redo);
    makeRestingBoard(&puzzle, 11);
    const auto before = std::make_unique<Puzzle>(puzzle);
    EXPECT_FALSE(undo->isEnabled() || redo->isEnabled()); // nothing played yet
    tap(turnButton(*delegate->toolbar(), kDirLeft));
    EXPECT_TRUE(undo->isEnabled() && !redo->isEnabled());
    tick(40);
    const auto turned = std::make_unique<Puzzle>(puzzle);
    ASSERT_FALSE(sameBoard(*before, *turned));
    tap(undo);
    tick(5);
    EXPECT_TRUE(sameBoard(*before, puzzle));
    EXPECT_TRUE(delegate->puzzleView()->isPractice());
    EXPECT_TRUE(!undo->isEnabled() && redo->isEnabled());
    tap(undo); // greyed: nothing happens
    tick(5);
    EXPECT_TRUE(sameBoard(*before, puzzle));
    tap(redo);
    tick(5);
    EXPECT_TRUE(sameBoard(*turned, puzzle));
    EXPECT_TRUE(undo->isEnabled() && !redo->isEnabled());
    // Narrowed, the bar drops them; widened again, they come back as the game stands.
    resize(320, 480);
    EXPECT_EQ(historyButton(*delegate->toolbar(), false), nullptr);
    resize(1200, 800);
    undo = historyButton(*delegate->toolbar(), false);
    ASSERT_NE(undo, nullptr);
    EXPECT_TRUE(undo->isEnabled());
    quitRequest = 1; // once the game is over neither acts
    tick(40);
    ASSERT_TRUE(delegate->puzzleView()->hasEnded());
    EXPECT_FALSE(undo->isEnabled() || historyButton(*delegate->toolbar(), true)->isEnabled());
}

TEST_F(WindowShapeTest, InATallWindowTheCubeAndItsScoreStandOnTheToolbarUnderAWhiteSky) {
    launch();
    const struct {
        int w, h;
        bool tall;
    } shapes[] = {{600, 1200, true}, {400, 900, true}, {320, 480, false}, {1200, 800, false}};
    for (const auto& s : shapes) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        resize(s.w, s.h);
        const Rect bar = delegate->toolbar()->frame();
        const Rect view = delegate->puzzleView()->frame();
        // The floor and its shadows run into the toolbar as in the 320 x 480 window.
        EXPECT_EQ(view.origin.y + view.size.height, bar.origin.y);
        EXPECT_EQ(view.size.width, float(s.w));
        if (s.tall) {
            EXPECT_NEAR(view.size.width / view.size.height, 320.0f / 392.0f, 0.005f);
        }
        EXPECT_EQ(view.origin.y > 44.0f, s.tall);
        // The score and the best score are drawn in the game view, over the cube; so is the
        // time bar, 24 points above the toolbar.
        const Rect info = delegate->scoreInfoView()->frame();
        EXPECT_TRUE(info.origin.y == view.origin.y && info.size.height == view.size.height);
        EXPECT_GT(delegate->progressView()->frame().origin.y, view.origin.y);
        // Above the view the white band from the navigation bar down, and nothing below it.
        const GameLayout l = AppDelegate::layoutFor(mainScreenApplicationFrame(), 44.0f, 44.0f);
        EXPECT_EQ(l.bandAbove().origin.y, 44.0f);
        EXPECT_EQ(l.bandAbove().size.height, view.origin.y - 44.0f);
        EXPECT_EQ(l.bandBelow().size.height, 0.0f);
    }
}

TEST_F(WindowShapeTest, TiltControlIsOfferedOnlyWhileASensorIsThereAndItsSettingStays) {
    store.setObject("true", kAccelState);
    store.synchronize();
    launch();
    Accelerometer& accelerometer = Accelerometer::sharedAccelerometer();
    if (accelerometer.hasDevice()) GTEST_SKIP() << "this machine has a sensor or such a pad";
    PreferencesView* prefs = delegate->gamePanels()->preferencesView();
    Switch* tilt = prefs->switchForKey(kAccelState);
    ASSERT_NE(tilt, nullptr);
    const auto offered = [&] {
        const auto& controls = prefs->controls();
        const bool inFocusOrder = std::find(controls.begin(), controls.end(), tilt) != controls.end();
        EXPECT_EQ(prefs->isRowShown(kAccelState), inFocusOrder);
        return inFocusOrder;
    };
    delegate->gamePanels()->showPreferences();
    EXPECT_FALSE(offered());
    EXPECT_TRUE(tilt->isHidden());
    // A controller with an accelerometer plugged in: the row comes, set as stored.
    accelerometer.setSampleSource([](Acceleration&) { return false; });
    EXPECT_TRUE(offered());
    EXPECT_TRUE(!tilt->isHidden() && tilt->isOn());
    // Unplugged: gone again, and nothing was written.
    accelerometer.setSampleSource({});
    accelerometer.devicesChanged();
    EXPECT_FALSE(offered());
    EXPECT_EQ(UserDefaults(store.storePath()).stringForKey(kAccelState), "true");
    EXPECT_EQ(delegate->accelState(), "true");
}

TEST(FullScreen, F11ComesBackToTheWindowItLeftMaximisedOrNot) {
    // Each press from the window's state: what it does, and what it remembers for the next.
    const struct {
        bool full, maximised;
        bool enter, maximise;
    } presses[] = {
        {false, false, true, false}, {true, false, false, false}, // a plain window, and back
        {false, true, true, false},  {true, true, false, true},   // maximised, and back to it
        {true, false, false, false}, // full screen given by the window manager: plain
        {false, true, true, false},  {true, false, false, true},  // SDL may drop the mark
        {false, false, true, false}, {true, true, false, false},  // maximised while full
    };
    bool wasMaximised = false;
    int n = 0;
    for (const auto& p : presses) {
        const FullScreenStep step = fullScreenStep(p.full, p.maximised, wasMaximised);
        EXPECT_EQ(step.enter, p.enter) << n;
        EXPECT_EQ(step.maximise, p.maximise) << n;
        ++n;
    }
}

} // namespace
