// The application delegate on real OpenGL ES 1.1 (offscreen) and a store in a temporary folder:
// the launch's window, buttons, preferences, tilt, keys, pause, window sizes and the saved best
// score.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes/AppDelegate.h"
#include "Classes/PuzzleView.h"
#include "desktop/panels/GameOverlays.h"
#include "desktop/record/Settings.h"
#include "model/Puzzle.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/Screen.h"
#include "platform/store/UserDefaults.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Bars.h"
#include "platform/ui/Button.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/Window.h"
#include "sim/Boards.h"
#include "support/Views.h"

using namespace std::chrono_literals;

namespace {

std::int64_t elapsedForTest = 0;

// Which quarter turn took `before` to `after`, judged by the model's target angles: a direction
// code, -1 for none, -2 for something else.
int turnBetween(const Puzzle& before, const Puzzle& after) {
    if (std::memcmp(before.dstRot, after.dstRot, sizeof before.dstRot) == 0) return -1;
    for (int d = kDirLeft; d <= kDirDown; ++d) {
        auto turned = std::make_unique<Puzzle>(before);
        rotatePuzzle(turned.get(), d);
        if (std::memcmp(turned->dstRot, after.dstRot, sizeof after.dstRot) == 0) return d;
    }
    return -2;
}

// The turn that `act` gives on a board at rest.
int turnBy(const std::function<void()>& act) {
    makeRestingBoard(&puzzle, 11);
    const auto before = std::make_unique<Puzzle>(puzzle);
    act();
    return turnBetween(*before, puzzle);
}

KeyEvent key(KeyCode code, bool control = false) {
    KeyEvent k;
    k.code = code;
    k.control = control;
    return k;
}

class AppDelegateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ScreenOptions options;
        options.visible = false;
        screenReady = screenOpen(options);
    }
    static void TearDownTestSuite() { screenClose(); }

    void SetUp() override {
        ASSERT_TRUE(screenReady);
        resetGameGlobals();
        checkSolution = 0;
        store = std::make_unique<UserDefaults>((dir / "preferences.plist").string());
    }
    void TearDown() override {
        delegate.reset();
        Accelerometer::sharedAccelerometer().setSampleSource({});
    }

    void launch(const std::string& settingsPath = settingsFilePath()) {
        delegate = std::make_unique<AppDelegate>(*store, settingsPath);
        delegate->applicationDidFinishLaunching(nullptr);
        ASSERT_NE(delegate->puzzleView(), nullptr);
    }
    int tilt(double x, double y) {
        Acceleration a;
        a.x = x;
        a.y = y;
        a.z = -1.0;
        return turnBy([&] { delegate->accelerometer(nullptr, a); });
    }

    static inline bool screenReady = false;
    ScratchDir dir;
    std::unique_ptr<UserDefaults> store;
    std::unique_ptr<AppDelegate> delegate;
};

// ---------------------------------------------------------------------------------------------
// Launch

TEST_F(AppDelegateTest, TheWindowShowsTheBarsAndTheGameBetweenThemAndNoTimeBarUntimed) {
    launch();
    EXPECT_TRUE(delegate->pauseCover()->isHidden());
    // The two grey bars from the top and bottom edges, the white game background between them
    // and no blue time bar.
    const WindowShot s = composeWindow();
    ASSERT_EQ(s.width, 320);
    for (int y : {2, 30, 458}) {
        const Rgba p = s.at(100, y);
        EXPECT_TRUE(std::abs(p.r - p.b) < 20 && p.r > 60 && p.r < 230) << y;
    }
    EXPECT_GT(s.at(4, 50).r, 200);
    EXPECT_LT(s.at(160, 419).b - s.at(160, 419).r, 40);
}

TEST_F(AppDelegateTest, TheToolbarsArrowButtonsTurnTheCubeLeftRightUpDown) {
    launch();
    const auto& items = delegate->toolbar()->items();
    ASSERT_EQ(items.size(), 5u); // a fixed space, then the four arrows
    const int turns[] = {kDirLeft, kDirRight, kDirUp, kDirDown};
    for (int i = 1; i <= 4; ++i) {
        Button* button = items[std::size_t(i)]->button();
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(turnBy([&] { tapInWindow(*delegate->window(), centreInWindow(button)); }),
                  turns[i - 1])
            << i;
    }
}

TEST_F(AppDelegateTest, TheRefreshButtonStartsAFreshGameWithoutTheOldSolverRequests) {
    launch();
    NavigationItem* item = delegate->navBar()->topItem();
    makeRestingBoard(&puzzle, 3);
    quitRequest = solveRequest = 1;
    tapInWindow(*delegate->window(), centreInWindow(item->leftBarButtonItem()->view()));
    EXPECT_EQ(quitRequest + solveRequest, 0);
    EXPECT_TRUE(puzzle.flags & kPuzzleStarting);
}

TEST_F(AppDelegateTest, TheInfoButtonRightOfThePauseButtonShowsTheAboutAlert) {
    launch();
    NavigationItem* item = delegate->navBar()->topItem();
    const std::vector<View*>& right = item->rightBarButtonItem()->customView()->subviews();
    ASSERT_EQ(right.size(), 3u);
    EXPECT_EQ(right[0], delegate->pauseButton());
    EXPECT_EQ(right[2], delegate->menuButton()); // at the bar's right end
    tapInWindow(*delegate->window(), centreInWindow(right[1]));
    ASSERT_NE(delegate->puzzleView()->aboutAlert(), nullptr);
    EXPECT_TRUE(delegate->puzzleView()->aboutAlert()->isVisible());
}

// ---------------------------------------------------------------------------------------------
// Preferences

TEST_F(AppDelegateTest, FirstLaunchRegistersTheSettingsFileDefaultsUnlessABestScoreIsStored) {
    // Defaults unlike the game's own, so that only the file can have supplied them.
    // Of two entries the later wins; an entry without a default leaves the one before.
    writeFile(
        dir / "Root.plist",
        settingsPlist(specifier("sfxState", "<string>false</string>") +
                      specifier("showHints", "<string>false</string>") +
                      specifier("highScore", "<integer>77</integer>") +
                      specifier("accelState", "<string>true</string>") +
                      specifier("gameType", "<integer>2</integer>") +
                      specifier("gameType", "<integer>3</integer>") +
                      "<dict><key>Key</key><string>sfxState</string></dict><string>x</string>" +
                      specifier("somethingElse", "<string>x</string>")));
    launch((dir / "Root.plist").string());
    EXPECT_TRUE(sfxState == 0 && hintState == 0 && highScore == 77 && gameType == 3);
    EXPECT_EQ(delegate->accelState(), "true");
    EXPECT_FALSE(delegate->progressView()->isHidden()); // a timed game shows its time bar
    EXPECT_FALSE(store->stringForKey("somethingElse"));
    EXPECT_FALSE(fs::exists(store->storePath())); // registered, not written

    // A stored best score means the game ran before: no seeding; without a settings file every
    // read falls back to the game's own defaults.
    for (const std::string settings : {"Root.plist", "missing.plist"}) {
        delegate.reset();
        resetGameGlobals();
        SetUp();
        store->setObject("4294967295", kHighScore);
        launch((dir / settings).string());
        EXPECT_EQ(highScore, 4294967295u);
        EXPECT_EQ(delegate->sfxState(), std::nullopt);
        EXPECT_TRUE(sfxState == 1 && hintState == 1 && gameType == 0) << settings;
        EXPECT_EQ(delegate->accelState(), "false");
    }
}

// ---------------------------------------------------------------------------------------------
// Tilt

TEST_F(AppDelegateTest, TiltTurnsByTheFourAsymmetricThresholds) {
    launch();
    store->setObject("true", kAccelState);
    delegate->loadPreferences();
    const struct {
        double x, y;
        int turn;
    } cases[] = {
        {0.65, 0.0, kDirRight}, {-0.65, 0.0, kDirLeft}, {0.0, 0.2, kDirUp},
        {0.0, -0.8, kDirDown},  {0.0, -0.5, -1},        {0.7, 0.3, kDirRight},
        {0.6499, 0.0, -1},      {-0.6499, 0.0, -1},     {0.0, 0.1999, -1},
        {0.0, -0.7999, -1},     {-0.9, -0.9, kDirLeft}, {0.3, -0.95, kDirDown},
        {0.0, 0.0, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tilt(c.x, c.y), c.turn) << c.x << ", " << c.y;
}

// ---------------------------------------------------------------------------------------------
// Activity, keys and the best score

TEST_F(AppDelegateTest, KeysTurnStartNewGamesAndOpenTheAlertButNotUnderIt) {
    launch();
    AppDelegate* d = delegate.get();
    const struct {
        KeyEvent key;
        int turn;
    } turns[] = {{key(KeyCode::Left), kDirLeft},
                 {key(KeyCode::Right), kDirRight},
                 {key(KeyCode::Up), kDirUp},
                 {key(KeyCode::Down), kDirDown},
                 {key(KeyCode::Left, true), -1}};
    for (const auto& t : turns)
        EXPECT_EQ(turnBy([&] { d->applicationKeyDown(nullptr, t.key); }), t.turn);
    for (const KeyEvent& k : {key(KeyCode::F2), key(KeyCode::N, true), key(KeyCode::N)}) {
        makeRestingBoard(&puzzle, 5);
        const bool newGame = k.code == KeyCode::F2 || k.control;
        EXPECT_EQ(d->applicationKeyDown(nullptr, k), newGame);
        EXPECT_EQ((puzzle.flags & kPuzzleStarting) != 0, newGame);
    }
    // Shift+F1: F1 alone is the help.
    EXPECT_TRUE(d->window()->sendEvent({InputType::KeyDown, {}, 0, {KeyCode::F1, false, true}}));
    AlertView* alert = d->puzzleView()->aboutAlert();
    ASSERT_TRUE(alert && alert->isVisible());
    EXPECT_EQ(turnBy([&] { EXPECT_FALSE(d->applicationKeyDown(nullptr, key(KeyCode::Left))); }),
              -1);
    EXPECT_TRUE(d->window()->sendEvent(keyDown(KeyCode::Escape)));
    EXPECT_FALSE(alert->isVisible());
    EXPECT_EQ(turnBy([&] { d->applicationKeyDown(nullptr, key(KeyCode::Left)); }), kDirLeft);
}

TEST_F(AppDelegateTest, PauseCoversTheCubeStopsTheGameAndAnyKeyResumes) {
    launch();
    PuzzleView* view = delegate->puzzleView();
    makeRestingBoard(&puzzle, 11);
    view->drawView();
    const auto bubbleShown = [](Rgba p) {
        return std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) > 60;
    };
    const int cx = 160, cy = 250; // the cube's middle in the window
    ASSERT_TRUE(bubbleShown(composeWindow().at(cx, cy)));
    const std::uint32_t frame = puzzle.frame;
    ASSERT_TRUE(delegate->applicationKeyDown(nullptr, key(KeyCode::P)));
    EXPECT_TRUE(view->isPaused());
    view->drawView();
    EXPECT_EQ(puzzle.frame, frame); // no update, no drawing
    const WindowShot covered = composeWindow();
    for (int y = 100; y < 400; y += 25)
        for (int x = 20; x < 300; x += 25)
            ASSERT_FALSE(bubbleShown(covered.at(x, y))) << x << "," << y; // only grey and text
    // A key resumes through the cover, which takes it first.
    EXPECT_TRUE(delegate->window()->sendEvent(keyDown(KeyCode::A)));
    EXPECT_FALSE(view->isPaused());
    EXPECT_TRUE(bubbleShown(composeWindow().at(cx, cy)));
    // So does the pause button's second press; focus loss pauses, a turn key does not act.
    tapInWindow(*delegate->window(), centreInWindow(delegate->pauseButton()));
    EXPECT_TRUE(view->isPaused());
    tapInWindow(*delegate->window(), centreInWindow(delegate->pauseButton()));
    EXPECT_FALSE(view->isPaused());
    delegate->applicationDidLoseFocus(nullptr);
    EXPECT_TRUE(view->isPaused());
    const auto before = std::make_unique<Puzzle>(puzzle);
    delegate->rotateLeftAction(nullptr);
    EXPECT_FALSE(view->isPaused());
    EXPECT_EQ(turnBetween(*before, puzzle), -1);
}

TEST_F(AppDelegateTest, TheTimeBarTurnsRedInTheLastTenSecondsAndTheBestScoreShows) {
    std::int64_t now = 2'000'000'000;
    setPuzzleClock([] { return std::int64_t(2'000'000'000) + elapsedForTest; });
    launch();
    PuzzleView* view = delegate->puzzleView();
    view->setGameType(1);
    view->setHighScore(4321);
    makeRestingBoard(&puzzle, 5);
    puzzle.flags = kPuzzleTimed;
    puzzle.numGameSecs = 60.0f;
    puzzle.startTime = static_cast<std::int32_t>(now);
    delegate->progressView()->setHidden(false);
    const int barX = 84, barY = 419; // the filled part's left end
    for (const auto& [elapsed, red] : {std::pair{20, false}, std::pair{51, true}}) {
        elapsedForTest = elapsed;
        view->drawView();
        const Rgba p = composeWindow().at(barX, barY);
        EXPECT_EQ(p.r > p.b + 60, red) << elapsed << "s: " << p.r << "," << p.g << "," << p.b;
        EXPECT_EQ(p.b > p.r + 40, !red) << elapsed;
    }
    // The bar pulses: two frames half a second apart differ.
    const Rgba a = composeWindow().at(barX, barY);
    for (int i = 0; i < 25; ++i)
        view->drawView();
    const Rgba b = composeWindow().at(barX, barY);
    EXPECT_GT(std::abs(a.g - b.g) + std::abs(a.b - b.b), 30);
    // "Best 4321" in dark text at the top right of the game view, nothing at the top left.
    const WindowShot s = composeWindow();
    const auto dark = [](Rgba p) { return p.r < 110 && p.g < 110; };
    EXPECT_GT(s.countIn({{241, 50}, {79, 16}}, dark), 20);
    EXPECT_EQ(s.countIn({{0, 50}, {80, 16}}, dark), 0);
    setPuzzleClock(nullptr);
}

// The window point where a bubble's centre shows in a game view at `view` (window points, scale
// 1), or a point `inside` of its radius from the centre along (dx, dy): its pick sphere's centre
// and rim through the game's camera (60 degrees high, the eye 7.55 in front of the cube) over
// the whole view, worked out here rather than read back from GL.
Point bubblePoint(const Rect& view, const Block& b, double dx, double dy, double inside) {
    const double f = 1.0 / std::tan(30.0 * 3.14159265358979 / 180.0);
    const double aspect = double(view.size.width) / view.size.height;
    const auto project = [&](double x, double y, double z, double& px, double& py) {
        const double depth = 7.55 - z;
        px = (f / aspect * x / depth + 1.0) * 0.5 * view.size.width;
        py = (f * y / depth + 1.0) * 0.5 * view.size.height;
    };
    double cx, cy, rx, ry;
    project(b.position[0], b.position[1], b.position[2], cx, cy);
    project(b.position[0] + 0.5, b.position[1], b.position[2], rx, ry);
    const double r = (rx - cx) * inside;
    return {static_cast<float>(view.origin.x + cx + dx * r),
            static_cast<float>(view.origin.y + view.size.height - (cy + dy * r))};
}

TEST_F(AppDelegateTest, AtEverySizeAClickOnABubblesCentreOrJustInsideItsRimPicksIt) {
    launch();
    std::vector<float> scales;
    const struct {
        int w, h;
        Rect view; // where the game view goes: between the bars, no narrower than at 320 x 480
    } sizes[] = {{320, 480, {{0, 44}, {320, 392}}},
                 {900, 900, {{0, 44}, {900, 812}}},
                 {1280, 600, {{0, 44}, {1280, 512}}},
                 {400, 900, {{0, 205}, {400, 490}}}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.w);
        SDL_SetWindowSize(screenWindow(), size.w, size.h);
        delegate->applicationWindowDidResize(nullptr);
        PuzzleView& view = *delegate->puzzleView();
        const Rect f = view.frame();
        EXPECT_TRUE(f.origin.y == size.view.origin.y && f.size.width == size.view.size.width &&
                    f.size.height == size.view.size.height);
        EXPECT_EQ(view.surfaceSize().height, size.view.size.height);
        scales.push_back(view.drawingScale());
        EXPECT_EQ(delegate->toolbar()->frame().origin.y, float(size.h - 44));
        // The front layer's corners, at their centres and just inside their outer rims.
        for (float inside : {0.0f, 0.85f})
            for (float dx : {-1.0f, 1.0f})
                for (float dy : {-1.0f, 1.0f}) {
                    makeRestingBoard(&puzzle, 9);
                    const Block* corner = nullptr;
                    for (const Block& b : puzzle.blocks)
                        if (b.position[0] == 2 * dx && b.position[1] == 2 * dy &&
                            b.position[2] == 2.0f)
                            corner = &b;
                    ASSERT_NE(corner, nullptr);
                    tapInWindow(*delegate->window(),
                                bubblePoint(size.view, *corner, dx, dy, inside * std::sqrt(0.5)));
                    EXPECT_TRUE(corner->state.flags & kBlockAnchor)
                        << dx << "," << dy << " " << inside;
                }
    }
    // The cube's drawing scale followed its height in pixels.
    EXPECT_EQ(scales, (std::vector<float>{1.0f, 812 / 392.0f, 512 / 392.0f, 490 / 392.0f}));
}

TEST(WindowSize, OnlyTwoNumbersWithinTheBoundsMakeASize) {
    const struct {
        const char* text;
        int w, h; // 0: refused
    } cases[] = {{"900x900", 900, 900},   {"320x400", 320, 400},     {"8192x8192", 8192, 8192},
                 {"0900x0640", 900, 640}, {"319x400", 0, 0},         {"320x399", 0, 0},
                 {"8193x900", 0, 0},      {"900X900", 0, 0},         {"900x", 0, 0},
                 {"x900", 0, 0},          {"-900x900", 0, 0},        {"900x900x2", 0, 0},
                 {" 900x900", 0, 0},      {"99999999999x900", 0, 0}, {"", 0, 0}};
    for (const auto& c : cases) {
        int w = 0, h = 0;
        EXPECT_EQ(parseWindowSize(c.text, &w, &h), c.w != 0) << c.text;
        EXPECT_TRUE(w == c.w && h == c.h) << c.text;
    }
}

TEST(ContentScale, AScaleThatDoesNotFitTheUsableAreaWithTheFrameIsLowered) {
    const struct {
        int asked, w, h, frameW, frameH, expected;
    } cases[] = {
        {3, 1280, 1024, 0, 0, 2},  {3, 1280, 1024, 8, 40, 2}, {3, 1280, 990, 8, 40, 1},
        {2, 1920, 1000, 8, 40, 2}, {2, 1920, 999, 8, 40, 1},  {0, 3840, 2100, 8, 40, 3},
        {8, 200, 300, 0, 0, 1},    {1, 640, 480, 8, 40, 1},   {5, 1700, 2500, 0, 0, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fittingWindowScale(c.asked, c.w, c.h, c.frameW, c.frameH), c.expected)
            << c.asked << " in " << c.w << "x" << c.h;
}
} // namespace
