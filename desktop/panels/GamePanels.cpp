// The panels wired into the game: the end of a game recorded and shown, the views opened by keys
// and buttons, the pause while one is read, and the preferences applied as the launch applies them.
#include "desktop/panels/GamePanels.h"

#include <algorithm>
#include <initializer_list>

#include "desktop/record/Settings.h"
#include "desktop/record/SettingsBundle.h"
#include "model/Puzzle.h"
#include "platform/base/Log.h"

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
      scores_(ScoresView::initWithFrame(gameArea)), help_(HelpView::initWithFrame(gameArea)) {
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

    window.addSubview(keys_.get());
    for (Panel* panel : std::initializer_list<Panel*>{gameOver_.get(), scores_.get(),
                                                      preferences_.get(), help_.get()}) {
        panel->setCloseHandler([this] { panelClosed(); });
        window.addSubview(panel);
    }
}

GamePanels::~GamePanels() = default;

void GamePanels::setGameArea(const Rect& gameArea) {
    for (Panel* panel : std::initializer_list<Panel*>{gameOver_.get(), scores_.get(),
                                                      preferences_.get(), help_.get()})
        panel->setFrame(gameArea); // a new size lays the card out again
}

// ---- Showing and hiding ----

void GamePanels::setTiltAvailable(bool available) {
    preferences_->setRowShown(kAccelState, available);
}

bool GamePanels::isPanelShown() const {
    return gameOver_->isShown() || scores_->isShown() || preferences_->isShown() ||
           help_->isShown();
}

void GamePanels::hideAll() {
    gameOver_->hide();
    scores_->hide();
    preferences_->hide();
    help_->hide();
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
    if (!key.repeat && !key.alt) {
        if (key.code == KeyCode::F1 && !key.control) {
            if (key.shift)
                game_.showAbout();
            else
                showHelp();
            return true;
        }
        if (key.control && !key.shift && key.code == KeyCode::Comma) {
            showPreferences();
            return true;
        }
        if (key.control && !key.shift && key.code == KeyCode::H) {
            showScores();
            return true;
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
