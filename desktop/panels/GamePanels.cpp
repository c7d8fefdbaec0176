// The panels wired into the game: the end of a game recorded and shown, the views opened by keys
// and buttons, the pause while one is read, and the preferences applied as the launch applies them.
#include "desktop/panels/GamePanels.h"

#include <algorithm>

#include "desktop/input/KeyMap.h"
#include "desktop/record/Settings.h"
#include "desktop/record/SettingsBundle.h"
#include "model/Puzzle.h"
#include "platform/base/Log.h"
#include "platform/base/Translation.h"

// Above the game, its cover and the time bar and below the panels: takes the panels' keys, and
// while a panel is shown every key that panel leaves. Takes no touches and draws nothing.
class GamePanels::KeyLayer : public Widget {
public:
    explicit KeyLayer(GamePanels& owner) : Widget({}), owner_(owner) {
        setUserInteractionEnabled(false);
    }
    bool keyDown(const KeyEvent& key) override { return owner_.takesKey(key); }

private:
    GamePanels& owner_;
};

GamePanels::GamePanels(Window& window, GameHooks game, UserDefaults& store,
                       const std::string& settingsPath, const Rect& gameArea,
                       PreferenceApplier applyPreference)
    : game_(std::move(game)), applyPreference_(std::move(applyPreference)), store_(store),
      keys_(std::make_unique<KeyLayer>(*this)), gameOver_(GameOverPanel::initWithFrame(gameArea)),
      scores_(ScoresView::initWithFrame(gameArea)), help_(HelpView::initWithFrame(gameArea)),
      menu_(GameMenu::initWithFrame(gameArea)), howTo_(HowToPlayCard::initWithFrame(gameArea)) {
    std::string why;
    std::optional<std::vector<SettingSpecifier>> specifiers =
        readSettingSpecifiers(settingsPath, &why);
    if (!specifiers)
        platformLog("the Preferences view is empty: %s: %s", settingsPath.c_str(), why.c_str());
    preferences_ = PreferencesView::initWithFrame(
        gameArea, specifiers.value_or(std::vector<SettingSpecifier>{}));
    preferences_->setChangeHandler([this](const std::string& key, const PropertyList& value) {
        preferenceChanged(key, value);
    });
    gameOver_->setNewGameHandler([this] { newGame(); });
    gameOver_->setScoresHandler([this] { showScores(); });
    help_->setHowToPlayHandler([this] { showHowToPlay(); });
    makeMenu();

    window.addSubview(keys_.get());
    for (Panel* panel : panels()) {
        panel->setCloseHandler([this] { panelClosed(); });
        window.addSubview(panel);
    }
    howTo_->setCloseHandler([this] { howToPlayClosed(); });
}

std::array<Panel*, 6> GamePanels::panels() const {
    return {gameOver_.get(), scores_.get(), preferences_.get(), help_.get(), menu_.get(),
            howTo_.get()};
}

void GamePanels::makeMenu() {
    using A = GameAction;
    const auto key = [](A action) { return keyLabel(keyForAction(action)); };
    std::vector<GameMenu::Item> items = {
        {_("New Game"), key(A::NewGame), [this] { newGame(); }, nullptr},
        {_("Undo"), key(A::Undo), [this] { game_.undo(); }, game_.canUndo},
        {_("Redo"), key(A::Redo), [this] { game_.redo(); }, game_.canRedo},
        {_("Scores"), key(A::Scores), [this] { showScores(); }, nullptr},
        {_("Preferences"), key(A::Preferences), [this] { showPreferences(); }, nullptr},
        {_("Help"), key(A::Help), [this] { showHelp(); }, nullptr},
        {_("Keyboard Shortcuts"), "", [this] { showKeyboardShortcuts(); }, nullptr},
        // TRANSLATORS: the menu item that shows the game's version, authors and licence.
        {_("About Spheron"), key(A::About), [this] { game_.showAbout(); }, nullptr},
    };
    menu_->setItems(std::move(items));
}

GamePanels::~GamePanels() = default;

void GamePanels::setGameArea(const Rect& gameArea) {
    for (Panel* panel : panels())
        panel->setFrame(gameArea); // a new size lays the card out again
}

// ---- Showing and hiding ----

bool GamePanels::isPanelShown() const {
    for (const Panel* panel : panels())
        if (panel->isShown()) return true;
    return false;
}

void GamePanels::hideAll() {
    for (Panel* panel : panels())
        panel->hide();
}

void GamePanels::openPanel(Panel& panel, bool pausesGame) {
    hideAll(); // one at a time; a pause taken for the one before stays for this one
    // The clock must not run while the player reads; pause() refuses an ended game.
    if (pausesGame && !game_.gameHeld()) {
        game_.holdGame();
        pausedForPanel_ = game_.gameHeld();
    }
    panel.show();
    game_.redrawGame();
}

void GamePanels::panelClosed() {
    game_.redrawGame();
    if (isPanelShown() || !pausedForPanel_) return;
    pausedForPanel_ = false;
    game_.releaseGame();
}

void GamePanels::showHelp() {
    openPanel(*help_, true);
}

void GamePanels::showPreferences() {
    preferences_->reloadValues(store_);
    openPanel(*preferences_, true);
}

void GamePanels::showScores() {
    const ScoreTables tables = readScoreTables(store_);
    std::optional<ScoresView::Latest> mark;
    if (latest_) {
        const auto& table = tables.byGameType[static_cast<std::size_t>(latest_->first)];
        const auto found = std::find(table.begin(), table.end(), latest_->second);
        if (found != table.end())
            mark =
                ScoresView::Latest{latest_->first, static_cast<std::size_t>(found - table.begin())};
    }
    // The game type the current game was started with comes first.
    scores_->setTables(tables, gameType, mark);
    openPanel(*scores_, true);
}

void GamePanels::toggleMenu() {
    if (menu_->isShown()) {
        menu_->hide();
        panelClosed();
        return;
    }
    menu_->refresh(); // what can act now, undo and redo among them
    openPanel(*menu_, true);
}

void GamePanels::showKeyboardShortcuts() {
    openPanel(*help_, true);
    help_->scrollToSection(HelpView::kKeysSection);
}

void GamePanels::showHowToPlay() {
    openPanel(*howTo_, true);
}

void GamePanels::offerHowToPlay() {
    if (!store_.stringForKey(kHowToPlayShown)) showHowToPlay();
}

void GamePanels::howToPlayClosed() {
    // Merged into the file under its lock, as every setting is; should that fail the card
    // shows again at the next start, which loses the player nothing.
    store_.setObject(std::string("true"), kHowToPlayShown);
    store_.synchronize();
    panelClosed();
}

void GamePanels::newGame() {
    hideAll();
    pausedForPanel_ = false; // a new game starts unpaused
    if (nextGameType_) game_.chooseGameType(static_cast<unsigned>(*nextGameType_));
    nextGameType_.reset();
    game_.startNewGame();
}

// ---- The end of a game ----

void GamePanels::gameDidEnd(const GameOutcome& outcome) {
    GameOverInfo info;
    info.reason = outcome.reason;
    info.score = outcome.score;
    info.best = game_.bestScore();
    info.newBest = outcome.newBest;
    info.practice = outcome.practice;
    info.gameNumber = outcome.gameNumber;
    info.gameType = outcome.gameType;
    // A game without points (one left idle to its end) is no result worth a place.
    if (!outcome.practice && outcome.score > 0) {
        const ScoreEntry entry{outcome.score, currentISODate(), outcome.gameNumber};
        const ScoreRecord record = recordScore(store_, outcome.gameType, entry);
        if (!record.saved)
            platformLog("game %u's score %u is not in the score tables: the preferences could not "
                        "be written",
                        outcome.gameNumber, outcome.score);
        info.rank = record.saved ? record.rank : 0; // no place in a table that was not written
        // Another game may have stored a higher best meanwhile; the store's best wins.
        info.best = std::max(info.best, record.best);
        info.newBest = (outcome.newBest || record.newBest) && info.best == outcome.score;
        game_.showBestScore(info.best);
        if (info.rank > 0) latest_.emplace(outcome.gameType, entry);
    }
    hideAll();
    pausedForPanel_ = false;
    gameOver_->showGameOver(info);
    game_.redrawGame();
}

// ---- Keys ----

bool GamePanels::takesKey(const KeyEvent& key) {
    // The About alert is modal: its keys are its own.
    if (game_.aboutShown()) return false;
    if (const std::optional<GameAction> action = gameActionForKey(key); action && !key.repeat) {
        switch (*action) {
        case GameAction::Help: showHelp(); return true;
        case GameAction::About: game_.showAbout(); return true;
        case GameAction::Preferences: showPreferences(); return true;
        case GameAction::Scores: showScores(); return true;
        case GameAction::Menu: toggleMenu(); return true;
        default: break;
        }
    }
    return isPanelShown();
}

// ---- Preferences ----

void GamePanels::preferenceChanged(const std::string& key, const PropertyList& value) {
    if (value.type == PropertyList::Type::Integer)
        store_.setObject(value.integer, key);
    else
        store_.setObject(scalarText(value), key);
    // Merged into the file under its lock; when that fails the value still holds for this run,
    // and the store says why in its log line.
    store_.synchronize();
    if (key == kGameType)
        nextGameType_ = static_cast<int>(store_.integerForKey(kGameType));
    else if (applyPreference_)
        applyPreference_(key);
}
