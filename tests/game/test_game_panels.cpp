// The panels in the running game, on real OpenGL ES (offscreen) and a scratch store: the end of a
// game recorded once and shown, the keys that open each view and pause the game while its keys
// wait, and preferences applied at once or from the next game.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "Classes/AppDelegate.h"
#include "desktop/panels/GamePanels.h"
#include "Classes/PuzzleView.h"
#include "desktop/record/Settings.h"
#include "platform/gl/Screen.h"
#include "platform/ui/Bars.h"
#include "render/Textures.h"
#include "sim/Boards.h"
#include "support/Views.h"

namespace {

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class GamePanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(screenOpen({"test", 320, 480, false}));
        resetGameGlobals();
        delegate->applicationDidFinishLaunching(nullptr);
        view = delegate->puzzleView();
        panels = delegate->gamePanels();
        makeRestingBoard(&puzzle, 7);
    }
    void TearDown() override {
        delegate.reset();
        Accelerometer::sharedAccelerometer().setSampleSource({});
        screenClose();
    }
    // As the application hands a key on: the window's views first, then the delegate.
    bool send(KeyCode code, bool control = false) {
        InputEvent e = keyDown(code);
        e.key.control = control;
        return delegate->window()->sendEvent(e) || delegate->applicationKeyDown(nullptr, e.key);
    }
    // The panels' dark blue card at the game area's left edge, where no text is drawn.
    static bool cardShown() {
        const Rgba p = composeWindow().at(12, 250);
        return p.b - p.r > 40 && p.r < 80;
    }

    ScratchDir dir;
    UserDefaults store{(dir / "preferences.plist").string()};
    std::unique_ptr<AppDelegate> delegate =
        std::make_unique<AppDelegate>(store, settingsFilePath());
    PuzzleView* view = nullptr;
    GamePanels* panels = nullptr;
};

TEST_F(GamePanelsTest, AnEndedGameIsRecordedAndShownWithItsRankButAPracticeOrPointlessGameIsNot) {
    const struct {
        std::uint32_t number;
        bool practice;
        std::uint32_t score;
    } cases[] = {{7, false, 120}, {9, true, 500}, {11, false, 0}};
    for (const auto& c : cases) {
        const bool first = &c == cases;
        view->newGameWithNumber(c.number);
        makeRestingBoard(&puzzle, 7);
        if (c.practice) { // a turn taken back, once it has finished
            view->rotateLeft();
            view->undoAction();
            for (int i = 0; i < 40; ++i)
                view->drawView();
        }
        puzzle.score = c.score;
        view->drawView();
        EXPECT_EQ(fs::exists(store.storePath()), !first); // nothing stored while a game goes on
        quitRequest = 1;
        view->drawView();
        // Stored once: every save renames a new file over the store, which gives a new inode.
        const ino_t saved = inodeOf(store.storePath());
        for (int i = 0; i < 10; ++i)
            view->drawView();
        EXPECT_EQ(inodeOf(store.storePath()), saved);
        const GameOverInfo& shown = panels->gameOverPanel()->info();
        EXPECT_TRUE(panels->gameOverPanel()->isShown() && cardShown());
        const auto untimed = readScoreTables(store).byGameType[0];
        ASSERT_EQ(untimed.size(), 1u) << c.number; // the first game only
        EXPECT_EQ(untimed[0].gameNumber, 7u);
        EXPECT_EQ(shown.rank, first ? 1 : 0);
        EXPECT_EQ(shown.newBest && shown.best == 120u, first);
        EXPECT_EQ(shown.practice, c.practice);
    }
    EXPECT_EQ(UserDefaults(store.storePath()).stringForKey(kHighScore), "120");
}

TEST_F(GamePanelsTest, EachKeyOpensItsViewAndPausesTheGameWhileItsKeysWait) {
    const std::pair<KeyCode, Panel*> cases[] = {{KeyCode::F1, panels->helpView()},
                                                {KeyCode::Comma, panels->preferencesView()},
                                                {KeyCode::H, panels->scoresView()}};
    for (const auto& [key, panel] : cases) {
        ASSERT_TRUE(send(key, key != KeyCode::F1));
        EXPECT_TRUE(panel->isShown() && view->isPaused() && cardShown()) << panel->title();
        for (KeyCode game : {KeyCode::F2, KeyCode::P})
            EXPECT_TRUE(send(game));
        EXPECT_FALSE(puzzle.flags & kPuzzleStarting); // no new game
        EXPECT_TRUE(send(KeyCode::Escape));
        EXPECT_FALSE(panel->isShown() || view->isPaused());
    }
}

TEST_F(GamePanelsTest, SwitchesApplyAtOnceAndTheGameTypeFromTheNextGame) {
    Accelerometer::sharedAccelerometer().setSampleSource([](Acceleration&) { return false; });
    const auto& gear = delegate->navBar()->topItem()->leftBarButtonItems()[1];
    tapInWindow(*delegate->window(), centreInWindow(gear->view()));
    // Sound off; down to tilt, on; down to the symbols, on; down to the game type, two steps on.
    for (KeyCode k : {KeyCode::Space, KeyCode::Down, KeyCode::Down, KeyCode::Space, KeyCode::Down,
                      KeyCode::Space, KeyCode::Down, KeyCode::Right, KeyCode::Right})
        send(k);
    const UserDefaults stored(store.storePath());
    EXPECT_EQ(stored.stringForKey(kSfxState), "false");
    EXPECT_EQ(sfxState, 0);
    EXPECT_EQ(delegate->accelState(), "true");
    EXPECT_EQ(stored.stringForKey(kShowSymbols), "true");
    EXPECT_TRUE(bubbleSymbolsShown());
    EXPECT_EQ(stored.integerForKey(kGameType), 2);
    send(KeyCode::Escape);
    EXPECT_EQ(gameType, 0);
    send(KeyCode::F2);
    EXPECT_EQ(gameType, 2);
}

} // namespace
