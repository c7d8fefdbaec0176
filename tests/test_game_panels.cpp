// The panels in the running game, on real OpenGL ES (offscreen) and a scratch store: the end of a
// game recorded and shown, the keys that open each view while the game's keys wait, preferences
// applied at once or from the next game, and the pause while a view is read.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Classes/AppDelegate.h"
#include "Classes/GamePanels.h"
#include "Classes/PuzzleView.h"
#include "Classes/Settings.h"
#include "model/Puzzle.h"
#include "platform/gl/Screen.h"
#include "platform/ui/Bars.h"
#include "platform/ui/ProgressView.h"
#include "sim/Boards.h"
#include "support/Views.h"

namespace {

InputEvent chord(KeyCode code, bool control = false, bool shift = false) {
    InputEvent e = keyDown(code);
    e.key.control = control;
    e.key.shift = shift;
    return e;
}

class GamePanelsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { screenReady = screenOpen({"test", 320, 480, false}); }
    static void TearDownTestSuite() { screenClose(); }
    void SetUp() override {
        ASSERT_TRUE(screenReady);
        resetGameGlobals();
        checkSolution = 0;
        store = std::make_unique<UserDefaults>((dir / "preferences.plist").string());
        delegate = std::make_unique<AppDelegate>(*store, settingsFilePath());
        delegate->applicationDidFinishLaunching(nullptr);
        ASSERT_NE(delegate->gamePanels(), nullptr);
        view = delegate->puzzleView();
        panels = delegate->gamePanels();
        makeRestingBoard(&puzzle, 7);
    }
    void TearDown() override { delegate.reset(); }
    // As the application hands a key on: the window's views first, then the delegate.
    bool send(const InputEvent& e) {
        return delegate->window()->sendEvent(e) || delegate->applicationKeyDown(nullptr, e.key);
    }
    void tick(int n) {
        while (n-- > 0)
            view->drawView();
    }
    // The panels' dark blue card at the game area's left edge, where no text is drawn.
    static bool cardShown() {
        const Rgba p = composeWindow().at(12, 250);
        return p.b - p.r > 40 && p.r < 80;
    }

    static inline bool screenReady = false;
    ScratchDir dir;
    std::unique_ptr<UserDefaults> store;
    std::unique_ptr<AppDelegate> delegate;
    PuzzleView* view = nullptr;
    GamePanels* panels = nullptr;
};

TEST_F(GamePanelsTest, AnEndedGameIsRecordedAndShownWithItsRankButAPracticeGameIsNot) {
    for (const bool practice : {false, true}) {
        SCOPED_TRACE(practice);
        view->newGameWithNumber(practice ? 9 : 7);
        makeRestingBoard(&puzzle, 7);
        if (practice) { // a turn taken back
            view->rotateLeft();
            tick(40);
            view->undoAction();
            tick(1);
            ASSERT_TRUE(view->isPractice());
        }
        puzzle.score = practice ? 500 : 120;
        quitRequest = 1;
        tick(2);
        const GameOverPanel* panel = panels->gameOverPanel();
        ASSERT_TRUE(panel->isShown());
        EXPECT_TRUE(cardShown());
        const auto untimed = readScoreTables(*store).byGameType[0];
        ASSERT_EQ(untimed.size(), 1u); // the first game only
        EXPECT_EQ(untimed[0].score, 120u);
        EXPECT_EQ(untimed[0].gameNumber, 7u);
        EXPECT_EQ(panel->info().rank, practice ? 0 : 1);
        EXPECT_EQ(panel->info().newBest, !practice);
        EXPECT_EQ(panel->info().best, 120u);
        EXPECT_EQ(panel->info().practice, practice);
    }
}

TEST_F(GamePanelsTest, EachKeyOpensItsViewWhileTheGameKeysWait) {
    const std::pair<InputEvent, Panel*> cases[] = {
        {chord(KeyCode::F1), panels->helpView()},
        {chord(KeyCode::Comma, true), panels->preferencesView()},
        {chord(KeyCode::H, true), panels->scoresView()},
    };
    for (const auto& [key, panel] : cases) {
        SCOPED_TRACE(panel->title());
        ASSERT_TRUE(send(key));
        EXPECT_TRUE(panel->isShown());
        EXPECT_TRUE(cardShown());
        const auto before = std::make_unique<Puzzle>(puzzle);
        for (const InputEvent& game :
             {chord(KeyCode::Left), chord(KeyCode::P), chord(KeyCode::F2), chord(KeyCode::Z, true)})
            EXPECT_TRUE(send(game));
        view->resume(); // to see that nothing was asked of the game
        tick(1);
        EXPECT_EQ(std::memcmp(before->dstRot, puzzle.dstRot, sizeof puzzle.dstRot), 0);
        EXPECT_FALSE(puzzle.flags & kPuzzleStarting);
        EXPECT_TRUE(send(chord(KeyCode::Escape)));
        EXPECT_FALSE(panels->isPanelShown());
    }
    ASSERT_TRUE(send(chord(KeyCode::F1, false, true)));
    ASSERT_NE(view->aboutAlert(), nullptr);
    EXPECT_TRUE(view->aboutAlert()->isVisible());
    EXPECT_FALSE(panels->isPanelShown());
}

TEST_F(GamePanelsTest, SwitchesApplyAtOnceAndTheGameTypeFromTheNextGame) {
    tapInWindow(*delegate->window(),
                centreInWindow(delegate->navBar()->topItem()->leftBarButtonItems()[1]->view()));
    ASSERT_TRUE(panels->preferencesView()->isShown());
    // Sound off; down to tilt, on; down to the game type, two steps on.
    for (KeyCode k : {KeyCode::Space, KeyCode::Down, KeyCode::Down, KeyCode::Space, KeyCode::Down,
                      KeyCode::Right, KeyCode::Right})
        send(chord(k));
    const UserDefaults stored(store->storePath());
    EXPECT_EQ(stored.stringForKey(kSfxState), "false");
    EXPECT_EQ(sfxState, 0);
    EXPECT_EQ(stored.stringForKey(kAccelState), "true");
    EXPECT_EQ(delegate->accelState(), "true");
    EXPECT_EQ(stored.integerForKey(kGameType), 2);
    EXPECT_EQ(gameType, 0);
    send(chord(KeyCode::Escape));
    EXPECT_FALSE(view->isPaused());
    send(chord(KeyCode::F2));
    EXPECT_EQ(gameType, 2);
    EXPECT_FALSE(delegate->progressView()->isHidden()); // the time bar of a timed game
}

TEST_F(GamePanelsTest, ReadingAViewPausesTheGameAndClosingItResumesOnlyItsOwnPause) {
    for (const bool pausedBefore : {false, true}) {
        SCOPED_TRACE(pausedBefore);
        if (pausedBefore) view->pause();
        ASSERT_TRUE(send(chord(KeyCode::F1)));
        EXPECT_TRUE(view->isPaused());
        const std::uint32_t frame = puzzle.frame;
        tick(5);
        EXPECT_EQ(puzzle.frame, frame);
        send(chord(KeyCode::Escape));
        EXPECT_EQ(view->isPaused(), pausedBefore);
    }
}

} // namespace
