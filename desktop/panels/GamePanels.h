// The panels in the running game: the end of a game recorded in the score tables and shown on the
// game-over panel, the scores, preferences and help views, the game's menu and the how-to-play
// card with their keys and buttons, and the pause while the player reads one. Owned by the
// application delegate, which hands in what the panels ask of the game; no SDL.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "desktop/panels/GameMenu.h"
#include "desktop/panels/GameOverPanel.h"
#include "desktop/panels/HelpView.h"
#include "desktop/panels/PreferencesView.h"
#include "desktop/panels/ScoresView.h"
#include "desktop/record/ScoreTables.h"

class Window;

class GamePanels {
public:
    // Told the key of a setting the preferences view has just written to the store, to apply it
    // as the launch applies it; the game type is kept for the next new game here instead.
    using PreferenceApplier = std::function<void(const std::string& key)>;

    // What the panels ask of the game they cover, given by whoever builds them.
    struct GameHooks {
        std::function<bool()> gameHeld;    // paused
        std::function<void()> holdGame;    // pause, unless it has ended
        std::function<void()> releaseGame; // resume
        std::function<void()> redrawGame;  // the panels lie over the game's frames
        std::function<void()> startNewGame;
        std::function<void(unsigned)> chooseGameType; // for the new game about to start
        std::function<unsigned()> bestScore;
        std::function<void(unsigned)> showBestScore; // not stored
        std::function<bool()> aboutShown;            // the About alert is up: its keys are its own
        std::function<void()> showAbout;
        std::function<void()> undo, redo;           // the menu's
        std::function<bool()> canUndo, canRedo;     // now; greyed in the menu otherwise
    };

    // Adds the panels over `gameArea` to the window, above everything in it so far.
    GamePanels(Window& window, GameHooks game, UserDefaults& store, const std::string& settingsPath,
               const Rect& gameArea, PreferenceApplier applyPreference);
    ~GamePanels();
    GamePanels(const GamePanels&) = delete;
    GamePanels& operator=(const GamePanels&) = delete;

    // Each hides the panel shown before. Help, preferences and scores pause a game under way
    // until the last of them closes, unless the player had paused it.
    void showHelp();
    void showPreferences();
    void showScores();
    // The menu button: opens the menu, or closes it when it is open.
    void toggleMenu();
    // Help, scrolled to its keys.
    void showKeyboardShortcuts();
    void showHowToPlay();
    // The first start: the how-to-play card, unless the store says it was shown.
    void offerHowToPlay();
    bool isPanelShown() const;
    // The window was resized: the panels cover the new game area.
    void setGameArea(const Rect& gameArea);

    // A new game, as every button and key starts one: the panels hidden, then the game type
    // chosen in the preferences since the last one.
    void newGame();

    // A game has ended and its bursts and falls have settled: its score goes into the tables and
    // the game-over panel shows.
    void gameDidEnd(const GameOutcome& outcome);

    GameOverPanel* gameOverPanel() const { return gameOver_.get(); }
    ScoresView* scoresView() const { return scores_.get(); }
    PreferencesView* preferencesView() const { return preferences_.get(); }
    HelpView* helpView() const { return help_.get(); }
    GameMenu* menu() const { return menu_.get(); }
    HowToPlayCard* howToPlayCard() const { return howTo_.get(); }

private:
    class KeyLayer;

    void openPanel(Panel& panel, bool pausesGame);
    void hideAll();
    void panelClosed();
    // F1 help, Shift+F1 About, Ctrl+comma preferences, Ctrl+H scores, F10 the menu (the key
    // map's); while a panel is shown, every other key it leaves, so that none reaches the game.
    bool takesKey(const KeyEvent& key);
    void makeMenu();
    // Every panel, in the order they lie over one another (the last on top).
    std::array<Panel*, 6> panels() const;
    void howToPlayClosed();
    void preferenceChanged(const std::string& key, const PropertyList& value);

    GameHooks game_;
    PreferenceApplier applyPreference_;
    UserDefaults& store_;
    std::unique_ptr<KeyLayer> keys_;
    std::unique_ptr<GameOverPanel> gameOver_;
    std::unique_ptr<ScoresView> scores_;
    std::unique_ptr<PreferencesView> preferences_;
    std::unique_ptr<HelpView> help_;
    std::unique_ptr<GameMenu> menu_;
    std::unique_ptr<HowToPlayCard> howTo_;
    bool pausedForPanel_ = false;
    std::optional<int> nextGameType_;
    // The last game that entered a table (its game type and entry), marked in the scores.
    std::optional<std::pair<int, ScoreEntry>> latest_;
};
