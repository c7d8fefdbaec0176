// The panels in the running game, on real OpenGL ES (offscreen) and a scratch store: the end of a
// game recorded once and shown, the keys that open each view and pause the game while its keys
// wait, and preferences applied at once or from the next game.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Classes/AppDelegate.h"
#include "desktop/panels/GamePanels.h"
#include "platform/store/UserDefaults.h"
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
                                                {KeyCode::H, panels->scoresView()},
                                                {KeyCode::F10, panels->menu()}};
    for (const auto& [key, panel] : cases) {
        ASSERT_TRUE(send(key, key == KeyCode::Comma || key == KeyCode::H));
        EXPECT_TRUE(panel->isShown() && view->isPaused()) << panel->title();
        EXPECT_EQ(cardShown(), panel != panels->menu()); // the menu leaves the left edge be
        for (KeyCode game : {KeyCode::F2, KeyCode::P})
            EXPECT_TRUE(send(game));
        EXPECT_FALSE(puzzle.flags & kPuzzleStarting); // no new game
        EXPECT_TRUE(send(KeyCode::Escape));
        EXPECT_FALSE(panel->isShown() || view->isPaused());
    }
}

// The menu's items in order, each with the key that does the same (from the key map), Undo and
// Redo greyed while there is nothing to take back or bring back; a greyed item takes its click
// and does nothing; the keyboard skips it.
TEST_F(GamePanelsTest, TheMenuRunsItsItemsAndGreysWhatCannotActNow) {
    GameMenu& menu = *panels->menu();
    const std::pair<const char*, const char*> shown[] = {
        {"New Game", "F2"},    {"Undo", "Ctrl+Z"},          {"Redo", "Ctrl+Y"},
        {"Scores", "Ctrl+H"},  {"Preferences", "Ctrl+,"},    {"Help", "F1"},
        {"Keyboard Shortcuts", ""}, {"About Spheron", "Shift+F1"}};
    ASSERT_EQ(menu.numberOfItems(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(menu.item(i).title, shown[i].first);
        EXPECT_EQ(menu.item(i).key, shown[i].second);
    }
    // Nothing done yet: Undo and Redo greyed; a click on Undo leaves the menu open.
    tapInWindow(*delegate->window(), centreInWindow(delegate->menuButton()));
    ASSERT_TRUE(menu.isShown() && view->isPaused());
    EXPECT_FALSE(menu.isEnabled(1) || menu.isEnabled(2));
    const auto tapItem = [&](int i) {
        const Rect r = menu.convertRectToWindow(menu.rowFrame(i));
        tapInWindow(*delegate->window(),
                    {r.origin.x + r.size.width * 0.5f, r.origin.y + r.size.height * 0.5f});
    };
    tapItem(1);
    EXPECT_TRUE(menu.isShown());
    // Down from New Game goes past the greyed two to Scores; Up goes round past them to the last.
    EXPECT_EQ(menu.focusedItem(), 0);
    send(KeyCode::Down);
    EXPECT_EQ(menu.focusedItem(), 3);
    send(KeyCode::Up);
    send(KeyCode::Up);
    EXPECT_EQ(menu.focusedItem(), 7);
    send(KeyCode::Escape);
    EXPECT_FALSE(menu.isShown() || view->isPaused());

    // A turn made: Undo takes it back (the game becomes practice), then Redo is there.
    view->rotateLeft();
    for (int i = 0; i < 40; ++i)
        view->drawView();
    send(KeyCode::F10);
    ASSERT_TRUE(menu.isEnabled(1));
    EXPECT_FALSE(menu.isEnabled(2));
    tapItem(1);
    for (int i = 0; i < 40; ++i)
        view->drawView();
    EXPECT_FALSE(menu.isShown() || view->isPaused());
    EXPECT_TRUE(view->isPractice() && view->canRedo());
    send(KeyCode::F10);
    EXPECT_TRUE(menu.isEnabled(2));
    send(KeyCode::F10); // the menu's key closes it again
    EXPECT_FALSE(menu.isShown() || view->isPaused());

    // Keyboard Shortcuts: the help, on its keys.
    send(KeyCode::F10);
    tapItem(6);
    HelpView& help = *panels->helpView();
    ASSERT_TRUE(help.isShown() && view->isPaused());
    const std::size_t first = help.list()->firstVisibleLine();
    EXPECT_GT(first, 0u);
    EXPECT_EQ(help.list()->lines().at(first).cells.at(0).text,
              HelpView::sections()[HelpView::kKeysSection].heading);
}

// The first start shows the card until it has been closed once, by any key; then the store
// says so and the next start does not. Help's button shows it again.
TEST_F(GamePanelsTest, TheHowToPlayCardShowsOnceAndAgainFromHelp) {
    HowToPlayCard& card = *panels->howToPlayCard();
    panels->offerHowToPlay();
    ASSERT_TRUE(card.isShown() && view->isPaused() && cardShown());
    EXPECT_FALSE(UserDefaults(store.storePath()).stringForKey(kHowToPlayShown));
    for (KeyCode game : {KeyCode::Left, KeyCode::F2}) { // taken by the card, which closes
        makeRestingBoard(&puzzle, 7);
        EXPECT_TRUE(send(game));
        EXPECT_FALSE(card.isShown() || view->isPaused());
        EXPECT_FALSE(puzzle.flags & kPuzzleStarting);
        panels->showHowToPlay();
    }
    tapInWindow(*delegate->window(), {160.0f, 240.0f}); // a click closes it as well
    EXPECT_FALSE(card.isShown());
    EXPECT_EQ(UserDefaults(store.storePath()).stringForKey(kHowToPlayShown), "true");
    panels->offerHowToPlay();
    EXPECT_FALSE(card.isShown());

    send(KeyCode::F1);
    HelpView& help = *panels->helpView();
    ASSERT_EQ(help.numberOfButtons(), 2);
    tapInWindow(*delegate->window(), centreInWindow(help.buttonAtIndex(0)));
    EXPECT_TRUE(card.isShown() && !help.isShown() && view->isPaused());
}

TEST_F(GamePanelsTest, SwitchesApplyAtOnceAndTheGameTypeFromTheNextGame) {
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

// ---- The built game, clicked where this window's layout puts things ----

// A scripted run of the built game on a store of its own; its state line.
std::string runGame(const fs::path& store, const std::string& args) {
    const std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "
                                "SPHERON_PREFERENCES='" +
                                store.string() + "' '" SPHERON_GAME_PATH "' --scale 1 " + args +
                                " 2>/dev/null";
    std::string line;
    if (FILE* out = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, out))
            line += buffer;
        ::pclose(out);
    }
    return line;
}

std::string clickAt(const View* view, const Rect& inView) {
    const Rect r = view->convertRectToWindow(inView);
    return "--click " + std::to_string(static_cast<int>(r.origin.x + r.size.width * 0.5f)) + "," +
           std::to_string(static_cast<int>(r.origin.y + r.size.height * 0.5f)) + " ";
}

// Every item of the menu, clicked in a scripted run where the menu lies in this window of the
// same size: each view opens as its key opens it (the same picture), and New Game, Undo and Redo
// show in the state line. The how-to card, from Help's button, stops a timed game's clock.
TEST_F(GamePanelsTest, EveryMenuItemIsReachableByClicksInAScriptedRun) {
    const std::string menu = clickAt(delegate->menuButton(), delegate->menuButton()->bounds());
    panels->toggleMenu();
    std::vector<std::string> item;
    for (int i = 0; i < panels->menu()->numberOfItems(); ++i)
        item.push_back(clickAt(panels->menu(), panels->menu()->rowFrame(i)));
    panels->toggleMenu();
    send(KeyCode::F1);
    const std::string howTo = clickAt(panels->helpView()->buttonAtIndex(0),
                                      panels->helpView()->buttonAtIndex(0)->bounds());
    int run = 0;
    const auto stateOf = [&](const std::string& args) {
        return runGame(dir / ("p" + std::to_string(++run) + ".plist"), "--game 5 " + args);
    };
    const auto picture = [&](const std::string& args) {
        const fs::path png = dir / ("shot" + std::to_string(run + 1) + ".png");
        stateOf(args + " --screenshot " + png.string());
        return readFile(png);
    };

    const std::string fresh = stateOf(menu + item[0]);
    EXPECT_EQ(fresh.rfind("state=playing score=0 best=0 game=", 0), 0u) << fresh;
    EXPECT_EQ(fresh.find("game=5 "), std::string::npos) << fresh;
    const std::string played = stateOf("--play greedy:1");
    const std::string score = played.substr(0, played.find(" best="));
    EXPECT_NE(score, "state=playing score=0") << played;
    EXPECT_EQ(stateOf("--play greedy:1 " + menu + item[1]),
              "state=playing score=0 best=0 game=5 practice=1\n");
    EXPECT_EQ(stateOf("--play greedy:1 --key ctrl+z " + menu + item[2]),
              score + " best=0 game=5 practice=1\n");

    // A click on the bar's title does nothing, and gives the key the same number of steps.
    const std::string still = "--click 160,22 ";
    const std::string board = picture("");
    const std::pair<int, const char*> views[] = {
        {3, "ctrl+h"}, {4, "ctrl+,"}, {5, "F1"}, {7, "shift+F1"}};
    for (const auto& [i, key] : views) {
        const std::string shown = picture(menu + item[static_cast<std::size_t>(i)]);
        EXPECT_FALSE(shown.empty());
        EXPECT_EQ(shown, picture(still + "--key " + key)) << key;
        EXPECT_NE(shown, board) << key;
    }
    const std::string help = picture(still + "--key F1");
    const std::string keys = picture(menu + item[6]);
    EXPECT_TRUE(keys != help && keys != board) << "Keyboard Shortcuts";
    const std::string card = picture("--key F1 " + howTo);
    EXPECT_TRUE(card != help && card != board) << "How to Play";

    const fs::path timed = dir / "timed.plist";
    ASSERT_EQ(std::system(("SPHERON_PREFERENCES='" + timed.string() + "' '" SPHERON_GAME_PATH
                           "' --settings gameType 1 >/dev/null")
                              .c_str()),
              0);
    EXPECT_EQ(runGame(timed, "--game 8 --wait 5 --key F1 " + howTo +
                                 "--wait 120 --key Escape --wait 1")
                  .rfind("state=playing ", 0),
              0u);
}

} // namespace
