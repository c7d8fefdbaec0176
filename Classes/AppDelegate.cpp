// The application delegate: the launch in its fixed order, the toolbar and navigation bar, the
// preferences, activity, termination, tilt and the desktop's keys. Platform headers only.
#include "Classes/AppDelegate.h"

#include <cmath>
#include <string>
#include <utility>

#include "Classes/PuzzleView.h"
#include "desktop/input/KeyMap.h"
#include "desktop/input/PadKeys.h"
#include "desktop/input/Tilt.h"
#include "desktop/panels/GameOverlays.h"
#include "desktop/panels/GamePanels.h"
#include "desktop/record/Settings.h"
#include "desktop/window/GameBars.h"
#include "platform/base/Translation.h"
#include "platform/gl/Screen.h"
#include "platform/store/UserDefaults.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Bars.h"
#include "platform/ui/Button.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/Window.h"

namespace {

constexpr float kFrameInterval = 0.02f; // 50 ticks a second
constexpr double kAccelerometerInterval = 1.0 / 15.0;
std::optional<std::uint32_t> firstGameNumber;
bool offersHowToPlay = false;

} // namespace

void AppDelegate::setFirstGameNumber(std::optional<std::uint32_t> number) {
    firstGameNumber = number;
}

void AppDelegate::setOffersHowToPlay(bool offers) {
    offersHowToPlay = offers;
}

AppDelegate::AppDelegate()
    : AppDelegate(UserDefaults::standardUserDefaults(), settingsFilePath()) {}

AppDelegate::AppDelegate(UserDefaults& store, std::string settingsPath)
    : store_(store), settingsPath_(std::move(settingsPath)) {}

AppDelegate::~AppDelegate() {
    Accelerometer& accelerometer = Accelerometer::sharedAccelerometer();
    if (accelerometer.delegate() == this) accelerometer.setDelegate(nullptr);
    if (_puzzleView) _puzzleView->setGameOverHandler(nullptr);
    panels_.reset(); // before the game view whose end of game it takes
    _navBar.reset();
    _toolbar.reset();
    _window.reset();
    _puzzleView.reset(); // stops its timer and any solver run
    _progressView.reset();
    scoreInfo_.reset();
    pauseCover_.reset();
}

std::unique_ptr<ApplicationDelegate> AppDelegate::create() {
    return std::make_unique<AppDelegate>();
}

// ---------------------------------------------------------------------------------------------
// Launch

AppDelegate::Layout AppDelegate::layoutFor(const Rect& app, float navH, float barH) {
    return gameLayoutFor(app, navH, barH);
}

void AppDelegate::applicationDidFinishLaunching(Application* /*application*/) {
    const Rect screen = mainScreenBounds();
    const Rect app = mainScreenApplicationFrame();

    _window = Window::initWithFrame(screen);
    _window->setBackgroundColor(Color::blackColor());

    _navBar = makeGameNavigationBar();
    _toolbar = makeGameToolbar();
    const Layout layout =
        layoutFor(app, _navBar->frame().size.height, _toolbar->frame().size.height);
    _navBar->setFrame(layout.navBar);
    _window->addSubview(_navBar.get());
    _toolbar->setFrame(layout.toolbar);

    initToolbarButtons();
    _window->addSubview(_toolbar.get());

    bandAbove_ = std::make_unique<Widget>(Rect{});
    bandAbove_->setBackgroundColor(kGameBackgroundTop);
    bandBelow_ = std::make_unique<Widget>(Rect{});
    bandBelow_->setBackgroundColor(kGameBackgroundBottom);
    _window->addSubview(bandAbove_.get());
    _window->addSubview(bandBelow_.get());
    const Rect gameFrame = layout.gameView;
    _puzzleView = PuzzleView::initWithFrame(gameFrame);
    if (_puzzleView) {
        _window->addSubview(_puzzleView.get());
        if (firstGameNumber) _puzzleView->newGameWithNumber(*firstGameNumber);
        // Over the game view: the best score, and the cover of a paused game.
        scoreInfo_ = ScoreInfoView::initWithFrame(gameFrame);
        scoreInfo_->setEndUnsaid([this] { return _puzzleView->hasEnded() && !panelShown(); });
        _window->addSubview(scoreInfo_.get());
        PuzzleView* view = _puzzleView.get();
        pauseCover_ = PauseCover::initWithFrame(gameFrame, [view] { view->resume(); });
        pauseCover_->setHidden(true);
        _window->addSubview(pauseCover_.get());
        _puzzleView->setGameStateHandler([this] { showGameState(); });
        _puzzleView->setTurnPulseHandler(
            [this](int direction, float amount) { pulseTurnButton(*_toolbar, direction, amount); });
    }

    _progressView = ProgressView::initWithFrame(layout.progressView);
    _progressView->setProgressViewStyle(kProgressViewStyleDefault);
    _progressView->setUserInteractionEnabled(false);
    _progressView->setProgress(1.0f);
    _window->addSubview(_progressView.get());
    // Over all of the game: the game-over panel, the scores, preferences and help.
    if (_puzzleView) makePanels(layout.gameArea);

    Accelerometer& accelerometer = Accelerometer::sharedAccelerometer();
    accelerometer.setUpdateInterval(kAccelerometerInterval);
    accelerometer.setDelegate(this);

    initNavigationItem();
    _window->makeKeyAndVisible();
    loadPreferences();
    if (_puzzleView) _puzzleView->setProgressView(_progressView.get());
    layoutViews(); // the bands, and the covers over the whole game area
    showGameState();
    if (offersHowToPlay && panels_) panels_->offerHowToPlay();
}

void AppDelegate::applicationWindowDidResize(Application* /*application*/) {
    layoutViews();
}

void AppDelegate::layoutViews() {
    if (!_window || !_navBar || !_toolbar) return;
    const Layout l = layoutFor(mainScreenApplicationFrame(), _navBar->frame().size.height,
                               _toolbar->frame().size.height);
    _window->setFrame(mainScreenBounds());
    _navBar->setFrame(l.navBar);
    _toolbar->setFrame(l.toolbar);
    const Rect& area = l.gameArea;
    const Rect& view = l.gameView;
    bandAbove_->setFrame(l.bandAbove());
    bandBelow_->setFrame(l.bandBelow());
    if (_progressView) _progressView->setFrame(l.progressView);
    if (_puzzleView) _puzzleView->setFrame(view);
    if (scoreInfo_) scoreInfo_->setFrame(view);
    if (pauseCover_) pauseCover_->setFrame(area);
    if (panels_) panels_->setGameArea(area);
    if (_puzzleView)
        if (AlertView* alert = _puzzleView->aboutAlert(); alert && alert->isVisible())
            alert->setFrame(mainScreenBounds());
}

void AppDelegate::showGameState() {
    if (!_puzzleView) return;
    const bool paused = _puzzleView->isPaused();
    if (pauseCover_) pauseCover_->setHidden(!paused);
    // The button shows what a click on it does: go on while paused, pause otherwise.
    if (pauseButton_) pauseButton_->setGlyph(paused ? Glyph::Play : Glyph::Pause);
    if (scoreInfo_) scoreInfo_->setPractice(_puzzleView->isPractice());
    // TRANSLATORS: the window's title; %u is the board's number.
    const std::string title = textFormat(_("Spheron \u2014 game %u"), _puzzleView->gameNumber());
    screenSetTitle(title.c_str());
}

void AppDelegate::initToolbarButtons() {
    setTurnButtons(*_toolbar, [this](int direction) {
        if (panelShown()) return; // the cube is not the player's now
        switch (direction) {
        case kDirLeft: rotateLeftAction(nullptr); break;
        case kDirRight: rotateRightAction(nullptr); break;
        case kDirUp: rotateUpAction(nullptr); break;
        case kDirDown: rotateDownAction(nullptr); break;
        default: break;
        }
    });
}

void AppDelegate::initNavigationItem() {
    PuzzleView* view = _puzzleView.get();
    NavigationActions actions;
    actions.newGame = [this] { newGameAction(); };
    actions.preferences = [this] {
        if (panels_) panels_->showPreferences();
    };
    actions.pause = [this, view] {
        if (view && !panelShown()) view->pauseAction();
    };
    actions.about = [view] {
        if (view) view->infoAction();
    };
    actions.menu = [this] {
        if (panels_) panels_->toggleMenu();
    };
    const NavigationButtonsShown shown = pushGameNavigationItem(*_navBar, std::move(actions));
    pauseButton_ = shown.pause;
    menuButton_ = shown.menu;
}

void AppDelegate::makePanels(const Rect& gameArea) {
    PuzzleView& view = *_puzzleView;
    GamePanels::GameHooks game{
        [&view] { return view.isPaused(); },
        [&view] { view.pause(); },
        [&view] { view.resume(); },
        [&view] { view.setNeedsDisplay(); },
        [&view] { view.refreshAction(); },
        [&view](unsigned type) { view.setGameType(type); },
        [&view] { return view.getHighScore(); },
        [&view](unsigned best) { view.setHighScore(best); },
        [&view] {
            const AlertView* alert = view.aboutAlert();
            return alert && alert->isVisible();
        },
        [&view] { view.infoAction(); },
        [&view] { view.undoAction(); },
        [&view] { view.redoAction(); },
        [&view] { return view.canUndo() && !view.hasEnded(); },
        [&view] { return view.canRedo() && !view.hasEnded(); },
    };
    panels_ =
        std::make_unique<GamePanels>(*_window, std::move(game), store_, settingsPath_, gameArea,
                                     [this](const std::string& key) { applyPreference(key); });
    GamePanels* panels = panels_.get();
    view.setGameOverHandler([panels](const GameOutcome& outcome) { panels->gameDidEnd(outcome); });
}

// ---------------------------------------------------------------------------------------------
// Preferences

void AppDelegate::loadPreferences() {
    // A stored best score means the store has been seeded (or written) before.
    if (!store_.stringForKey(kHighScore)) createDefaultPreferences();

    _sfxState = store_.stringForKey(kSfxState);
    if (_puzzleView) _puzzleView->setSfxState(_sfxState == "false" ? 0u : 1u);

    _showHints = store_.stringForKey(kShowHints);
    if (_puzzleView) _puzzleView->setHintState(_showHints == "false" ? 0u : 1u);

    const std::uint32_t best = store_.unsignedForKey(kHighScore);
    if (_puzzleView) _puzzleView->setHighScore(best);

    _accelState = store_.stringForKey(kAccelState).value_or("false");

    gameType = static_cast<std::int32_t>(store_.integerForKey(kGameType));
    if (_puzzleView) _puzzleView->setGameType(static_cast<unsigned>(gameType));
    applyPreference(kShowSymbols);
}

void AppDelegate::applyPreference(const std::string& key) {
    // Read back from the store, as the launch reads it.
    if (key == kSfxState) {
        _sfxState = store_.stringForKey(kSfxState);
        if (_puzzleView) _puzzleView->setSfxState(_sfxState == "false" ? 0u : 1u);
    } else if (key == kShowHints) {
        _showHints = store_.stringForKey(kShowHints);
        if (_puzzleView) _puzzleView->setHintState(_showHints == "false" ? 0u : 1u);
    } else if (key == kAccelState) {
        _accelState = store_.stringForKey(kAccelState).value_or("false");
    } else if (key == kShowSymbols) {
        // Off unless asked for: a store from before the setting existed has no value.
        if (_puzzleView) _puzzleView->setShowSymbols(store_.stringForKey(kShowSymbols) == "true");
    }
}

void AppDelegate::createDefaultPreferences() {
    ::createDefaultPreferences(store_, settingsPath_);
}

// ---------------------------------------------------------------------------------------------
// Activity and termination

void AppDelegate::applicationDidBecomeActive(Application* /*application*/) {
    if (_puzzleView) _puzzleView->startAnimation(kFrameInterval);
}

void AppDelegate::applicationWillResignActive(Application* /*application*/) {
    if (!_puzzleView) return;
    _puzzleView->pause(); // minimised: the game waits behind its cover
    _puzzleView->stopAnimation();
}

void AppDelegate::applicationDidLoseFocus(Application* /*application*/) {
    if (_puzzleView) _puzzleView->pause();
}

void AppDelegate::applicationWillTerminate(Application* application) {
    int w = 0;
    int h = 0;
    if (application && application->resizedWindowSize(&w, &h)) {
        store_.setObject(std::to_string(w) + "x" + std::to_string(h), kWindowSize);
        store_.synchronize(); // merged under the store's lock like every write
    }
    if (!_puzzleView) return;
    // Merged under the store's lock: a better score written meanwhile by another program stays.
    saveHighScore(store_, _puzzleView->getHighScore());
}

// ---------------------------------------------------------------------------------------------
// Commands: buttons, tilt and keys

// While paused, an arrow button resumes the game instead of turning the hidden cube.
void AppDelegate::rotateLeftAction(const void* /*sender*/) {
    if (_puzzleView && !resumedInstead()) _puzzleView->rotateLeft();
}
void AppDelegate::rotateRightAction(const void* /*sender*/) {
    if (_puzzleView && !resumedInstead()) _puzzleView->rotateRight();
}
void AppDelegate::rotateUpAction(const void* /*sender*/) {
    if (_puzzleView && !resumedInstead()) _puzzleView->rotateUp();
}
void AppDelegate::rotateDownAction(const void* /*sender*/) {
    if (_puzzleView && !resumedInstead()) _puzzleView->rotateDown();
}

void AppDelegate::newGameAction() {
    if (panels_)
        panels_->newGame();
    else if (_puzzleView)
        _puzzleView->refreshAction();
}

bool AppDelegate::panelShown() const {
    return panels_ && panels_->isPanelShown();
}

bool AppDelegate::resumedInstead() {
    if (!_puzzleView->isPaused()) return false;
    _puzzleView->resume();
    return true;
}

void AppDelegate::accelerometer(Accelerometer* /*accelerometer*/,
                                const Acceleration& acceleration) {
    if (!tiltControlOn(_accelState) || !_puzzleView) return;
    // The model ignores a turn asked for while one is under way.
    const TiltTurns turns = tiltTurns(acceleration.x, acceleration.y);
    if (turns.right) _puzzleView->rotateRight();
    if (turns.left) _puzzleView->rotateLeft();
    if (turns.up) _puzzleView->rotateUp();
    if (turns.down) _puzzleView->rotateDown();
}

bool AppDelegate::applicationKeyDown(Application* /*application*/, const KeyEvent& key) {
    if (!_puzzleView) return false;
    // The alert is modal: only its own keys reach it.
    if (const AlertView* alert = _puzzleView->aboutAlert(); alert && alert->isVisible())
        return false;
    if (panelShown()) return false; // so is a panel: it takes what it uses
    const std::optional<GameAction> action = gameActionForKey(key);
    if (!action) return false;
    // Once a game has ended, Return starts the next, as the line on the view says.
    if (key.code == KeyCode::Return && _puzzleView->hasEnded()) {
        if (!key.repeat) newGameAction();
        return true;
    }
    if (key.repeat) {
        const KeyRepeat repeat = keyRepeatOf(*action);
        if (repeat == KeyRepeat::Swallowed) return true;
        if (repeat == KeyRepeat::Passes) return false; // a held key starts one game
    }
    switch (*action) {
    case GameAction::TurnLeft:
        rotateLeftAction(nullptr);
        return true;
    case GameAction::TurnRight:
        rotateRightAction(nullptr);
        return true;
    case GameAction::TurnUp:
        rotateUpAction(nullptr);
        return true;
    case GameAction::TurnDown:
        rotateDownAction(nullptr);
        return true;
    case GameAction::NewGame:
        newGameAction();
        return true;
    case GameAction::Pause:
        _puzzleView->pauseAction();
        return true;
    case GameAction::Undo:
        _puzzleView->undoAction();
        return true;
    case GameAction::Redo:
        _puzzleView->redoAction();
        return true;
    case GameAction::ClearSelection:
        return _puzzleView->clearSelection();
    case GameAction::Help:
    case GameAction::About:
    case GameAction::Preferences:
    case GameAction::Scores:
    case GameAction::Menu:
        return false; // the panels' keys, taken before they reach here
    default:
        return _puzzleView->keyboardAction(*cursorKeyOf(*action));
    }
}

std::optional<KeyEvent> AppDelegate::applicationKeyForPad(Application* /*application*/,
                                                          const PadPress& press) {
    PadContext context = PadContext::Game;
    if (const AlertView* alert = _puzzleView ? _puzzleView->aboutAlert() : nullptr;
        alert && alert->isVisible())
        context = PadContext::OtherPanel;
    else if (panelShown())
        context = panels_->menu()->isShown()              ? PadContext::Menu
                  : panels_->helpView()->isShown()        ? PadContext::Help
                  : panels_->scoresView()->isShown()      ? PadContext::Scores
                  : panels_->preferencesView()->isShown() ? PadContext::Preferences
                                                          : PadContext::OtherPanel;
    return padKey(press, context);
}

void AppDelegate::applicationPadDisconnected(Application* /*application*/) {
    if (_puzzleView) _puzzleView->pause(); // refused by a game that has ended
}

void AppDelegate::applicationMouseMoved(Application* /*application*/, Point windowPoint) {
    if (!_puzzleView) return;
    const Rect r = _puzzleView->convertRectToWindow(_puzzleView->bounds());
    if (windowPoint.x >= r.origin.x && windowPoint.y >= r.origin.y &&
        windowPoint.x < r.origin.x + r.size.width && windowPoint.y < r.origin.y + r.size.height)
        _puzzleView->hideKeyboardCursor();
}

// ---------------------------------------------------------------------------------------------
// Properties

void AppDelegate::setWindow(std::unique_ptr<Window> window) {
    _window = std::move(window);
}

void AppDelegate::setPuzzleView(std::unique_ptr<PuzzleView> puzzleView) {
    if (_puzzleView) _puzzleView->setGameOverHandler(nullptr);
    panels_.reset(); // they take the end of game of the view they were made with
    _puzzleView = std::move(puzzleView);
}
