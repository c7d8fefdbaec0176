// The application delegate: the launch in its fixed order, the toolbar and navigation bar, the
// preferences, activity, termination, tilt and the desktop's keys. Platform headers only.
#include "Classes/AppDelegate.h"

#include <cmath>
#include <string>
#include <utility>

#include "Classes/GamePanels.h"
#include "Classes/PuzzleView.h"
#include "desktop/input/PadKeys.h"
#include "desktop/record/Settings.h"
#include "desktop/panels/GameOverlays.h"
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
constexpr float kArrowButtonWidth = 66.0f;

// Tilt thresholds in g; up and down are deliberately not symmetric.
constexpr double kTiltRight = 0.65;
constexpr double kTiltLeft = -0.65;
constexpr double kTiltUp = 0.2;
constexpr double kTiltDown = -0.8;

constexpr float kNavButtonGap = 10.0f;

// The game view of the 320 x 480 window, 320 x 392 points: its picture keeps its height, so a
// narrower view would cut off the cube's sides.
constexpr float kNarrowestGameView = 320.0f / 392.0f;
// The colours at the game view's top and bottom edges, for the bands that continue it.
constexpr Color kBackgroundTop{1.0f, 1.0f, 1.0f, 1.0f};
constexpr Color kBackgroundBottom{0.698f, 0.7059f, 0.702f, 1.0f};

std::optional<std::uint32_t> firstGameNumber;

// The keyboard cursor's keys: W A S D and the keypad's digits move it, Space and Enter tap,
// H hints. Moves repeat while held; a tap or a hint does not.
std::optional<KeyboardCursor::Key> cursorKey(KeyCode code) {
    using K = KeyboardCursor::Key;
    switch (code) {
    case KeyCode::A:
    case KeyCode::Keypad4:
        return K::Left;
    case KeyCode::D:
    case KeyCode::Keypad6:
        return K::Right;
    case KeyCode::W:
    case KeyCode::Keypad8:
        return K::Up;
    case KeyCode::S:
    case KeyCode::Keypad2:
        return K::Down;
    case KeyCode::Keypad7:
        return K::UpLeft;
    case KeyCode::Keypad9:
        return K::UpRight;
    case KeyCode::Keypad1:
        return K::DownLeft;
    case KeyCode::Keypad3:
        return K::DownRight;
    case KeyCode::Space:
    case KeyCode::Return:
    case KeyCode::Keypad5:
        return K::Tap;
    case KeyCode::H:
        return K::Hint;
    default:
        return std::nullopt;
    }
}

} // namespace

void AppDelegate::setFirstGameNumber(std::optional<std::uint32_t> number) {
    firstGameNumber = number;
}

AppDelegate::AppDelegate()
    : AppDelegate(UserDefaults::standardUserDefaults(), settingsFilePath()) {}

AppDelegate::AppDelegate(UserDefaults& store, std::string settingsPath)
    : store_(store), settingsPath_(std::move(settingsPath)) {}

AppDelegate::~AppDelegate() {
    Accelerometer& accelerometer = Accelerometer::sharedAccelerometer();
    if (accelerometer.delegate() == this) accelerometer.setDelegate(nullptr);
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
    const float minX = app.origin.x;
    const float minY = app.origin.y;
    const float width = app.size.width;
    const float height = app.size.height;
    const float maxY = minY + height;
    Layout l;
    l.navBar = {{minX, minY}, {width, navH}};
    l.toolbar = {{minX, minY + height - barH}, {width, barH}};
    l.gameArea = {{app.origin.x, app.origin.y + navH}, {width, height - barH - navH}};
    l.gameView = l.gameArea;
    if (l.gameArea.size.width < l.gameArea.size.height * kNarrowestGameView) {
        l.gameView.size.height = std::round(width / kNarrowestGameView);
        l.gameView.origin.y += std::round((l.gameArea.size.height - l.gameView.size.height) * 0.5f);
    }
    const auto barX =
        static_cast<float>(static_cast<double>(minX) + static_cast<double>(width) * 0.5 - 80.0);
    l.progressView = {{barX, maxY - barH - 24.0f}, {160.0f, 14.0f}};
    return l;
}

void AppDelegate::applicationDidFinishLaunching(Application* /*application*/) {
    const Rect screen = mainScreenBounds();
    const Rect app = mainScreenApplicationFrame();

    _window = Window::initWithFrame(screen);
    _window->setBackgroundColor(Color::blackColor());

    _navBar = NavigationBar::initWithFrame({});
    _navBar->setBarStyle(kBarStyleDefault);
    _navBar->sizeToFit();
    _navBar->setTintColor(Color::colorWithRed(0.6f, 0.6f, 0.6f, 1.0f));
    const float navH = _navBar->frame().size.height;

    _toolbar = Toolbar::initWithFrame({});
    _toolbar->setBarStyle(kBarStyleDefault);
    _toolbar->sizeToFit();
    const float grey = 0.45098039f; // 115/255
    _toolbar->setTintColor(Color::colorWithRed(grey, grey, grey, 1.0f));
    const float barH = _toolbar->frame().size.height;
    const Layout layout = layoutFor(app, navH, barH);
    _navBar->setFrame(layout.navBar);
    _window->addSubview(_navBar.get());
    _toolbar->setFrame(layout.toolbar);

    initToolbarButtons();
    _window->addSubview(_toolbar.get());

    bandAbove_ = std::make_unique<Widget>(Rect{});
    bandAbove_->setBackgroundColor(kBackgroundTop);
    bandBelow_ = std::make_unique<Widget>(Rect{});
    bandBelow_->setBackgroundColor(kBackgroundBottom);
    _window->addSubview(bandAbove_.get());
    _window->addSubview(bandBelow_.get());
    const Rect gameFrame = layout.gameView;
    _puzzleView = PuzzleView::initWithFrame(gameFrame);
    if (_puzzleView) {
        _window->addSubview(_puzzleView.get());
        _puzzleView->setNewHighScoreHandler([this](unsigned score) { saveNewHighScore(score); });
        if (firstGameNumber) _puzzleView->newGameWithNumber(*firstGameNumber);
        // Over the game view: the best score, and the cover of a paused game.
        scoreInfo_ = ScoreInfoView::initWithFrame(gameFrame);
        _window->addSubview(scoreInfo_.get());
        PuzzleView* view = _puzzleView.get();
        pauseCover_ = PauseCover::initWithFrame(gameFrame, [view] { view->resume(); });
        pauseCover_->setHidden(true);
        _window->addSubview(pauseCover_.get());
        _puzzleView->setGameStateHandler([this] { showGameState(); });
        _puzzleView->keyboardPlay().setTurnPulseHandler([this](int direction, float amount) {
            // The toolbar's buttons are its four arrows, in kDir* order; spaces have none.
            int arrow = 0;
            for (const auto& item : _toolbar->items())
                if (Button* button = item->button(); button && arrow++ == direction)
                    button->setPulse(amount);
        });
    }

    _progressView = ProgressView::initWithFrame(layout.progressView);
    _progressView->setProgressViewStyle(kProgressViewStyleDefault);
    _progressView->setUserInteractionEnabled(false);
    _progressView->setProgress(1.0f);
    _window->addSubview(_progressView.get());
    // Over all of the game: the game-over panel, the scores, preferences and help.
    if (_puzzleView)
        panels_ = std::make_unique<GamePanels>(
            *_window, *_puzzleView, store_, settingsPath_, layout.gameArea,
            [this](const std::string& key) { applyPreference(key); });

    Accelerometer& accelerometer = Accelerometer::sharedAccelerometer();
    accelerometer.setUpdateInterval(kAccelerometerInterval);
    accelerometer.setDelegate(this);

    initNavigationItem();
    _window->makeKeyAndVisible();
    loadPreferences();
    if (_puzzleView) _puzzleView->setProgressView(_progressView.get());
    layoutViews(); // the bands, and the covers over the whole game area
    showGameState();
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
    bandAbove_->setFrame({area.origin, {area.size.width, view.origin.y - area.origin.y}});
    bandBelow_->setFrame(
        {{area.origin.x, view.origin.y + view.size.height},
         {area.size.width, area.origin.y + area.size.height - view.origin.y - view.size.height}});
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
    if (scoreInfo_) scoreInfo_->setPractice(_puzzleView->isPractice());
    const std::string title =
        "Spheron \u2014 game " + std::to_string(_puzzleView->gameNumber());
    screenSetTitle(title.c_str());
}

void AppDelegate::initToolbarButtons() {
    std::vector<std::unique_ptr<BarButtonItem>> items;
    auto space = BarButtonItem::initWithBarButtonSystemItem(kBarButtonSystemItemFixedSpace, {});
    space->setWidth(1.0f);
    items.push_back(std::move(space));

    const std::pair<const char*, void (AppDelegate::*)(const void*)> arrows[] = {
        {"left-1.png", &AppDelegate::rotateLeftAction},
        {"right-1.png", &AppDelegate::rotateRightAction},
        {"up-1.png", &AppDelegate::rotateUpAction},
        {"dn-1.png", &AppDelegate::rotateDownAction},
    };
    for (const auto& [image, action] : arrows) {
        auto item = BarButtonItem::initWithImage(
            Image::imageNamed(image), kBarButtonItemStyleBordered,
            [this, action = action](BarButtonItem* sender) {
                if (!panelShown()) (this->*action)(sender); // the cube is not the player's now
            });
        item->setWidth(kArrowButtonWidth);
        items.push_back(std::move(item));
    }
    _toolbar->setItems(std::move(items));
}

void AppDelegate::initNavigationItem() {
    PuzzleView* view = _puzzleView.get();
    auto item = NavigationItem::initWithTitle("Spheron");
    std::vector<std::unique_ptr<BarButtonItem>> left;
    left.push_back(BarButtonItem::initWithBarButtonSystemItem(
        kBarButtonSystemItemRefresh, [this](BarButtonItem*) { newGameAction(); }));
    // The preferences, beside the refresh button.
    left.push_back(
        BarButtonItem::initWithImage(nullptr, kBarButtonItemStyleBordered, [this](BarButtonItem*) {
            if (panels_) panels_->showPreferences();
        }));
    left.back()->button()->setGlyph(Glyph::Gear);
    item->setLeftBarButtonItems(std::move(left));
    std::unique_ptr<Button> info = Button::buttonWithType(kButtonTypeInfoLight);
    info->addTarget(
        [view](Button*) {
            if (view) view->infoAction();
        },
        kControlEventTouchUpInside);
    // The pause button stands left of the info button, in one custom view with it.
    std::unique_ptr<Button> pause = Button::buttonWithType(kButtonTypeInfoLight);
    pause->setGlyph(Glyph::Pause);
    pause->addTarget(
        [this, view](Button*) {
            if (view && !panelShown()) view->pauseAction();
        },
        kControlEventTouchUpInside);
    const Size side = info->frame().size;
    pause->setFrame({{0.0f, 0.0f}, side});
    info->setFrame({{side.width + kNavButtonGap, 0.0f}, side});
    auto pair = std::make_unique<NavigationButtons>(
        Rect{{0.0f, 0.0f}, {2 * side.width + kNavButtonGap, side.height}}, std::move(pause),
        std::move(info));
    pauseButton_ = pair->first();
    item->setRightBarButtonItem(BarButtonItem::initWithCustomView(std::move(pair)));
    _navBar->pushNavigationItem(std::move(item), false);
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

void AppDelegate::saveNewHighScore(unsigned score) {
    saveHighScore(store_, score);
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
    // Four independent tests; the model ignores a turn asked for while one is under way.
    const double x = acceleration.x;
    const double y = acceleration.y;
    if (x >= kTiltRight) _puzzleView->rotateRight();
    if (x <= kTiltLeft) _puzzleView->rotateLeft();
    if (y >= kTiltUp) _puzzleView->rotateUp();
    if (y <= kTiltDown) _puzzleView->rotateDown();
}

bool AppDelegate::applicationKeyDown(Application* /*application*/, const KeyEvent& key) {
    if (!_puzzleView) return false;
    // The alert is modal, as on the phone: only its own keys reach it.
    if (const AlertView* alert = _puzzleView->aboutAlert(); alert && alert->isVisible())
        return false;
    if (panelShown()) return false; // so is a panel: it takes what it uses
    if (key.alt) return false;
    if (!key.control && !key.shift) {
        switch (key.code) {
        case KeyCode::Left:
            rotateLeftAction(nullptr);
            return true;
        case KeyCode::Right:
            rotateRightAction(nullptr);
            return true;
        case KeyCode::Up:
            rotateUpAction(nullptr);
            return true;
        case KeyCode::Down:
            rotateDownAction(nullptr);
            return true;
        default:
            break;
        }
    }
    if (const auto cursor = cursorKey(key.code); cursor && !key.control && !key.shift) {
        const bool once =
            *cursor == KeyboardCursor::Key::Tap || *cursor == KeyboardCursor::Key::Hint;
        return (once && key.repeat) || _puzzleView->keyboardAction(*cursor);
    }
    if (key.code == KeyCode::Escape && !key.control && !key.shift)
        return _puzzleView->clearSelection();
    if (key.repeat) return false; // a held key starts one game, opens one alert
    if ((key.code == KeyCode::F2 && !key.control) ||
        (key.code == KeyCode::N && key.control && !key.shift)) {
        newGameAction();
        return true;
    }
    if ((key.code == KeyCode::P && !key.control) || key.code == KeyCode::Pause) {
        _puzzleView->pauseAction();
        return true;
    }
    if (key.control && key.code == KeyCode::Z) {
        if (key.shift)
            _puzzleView->redoAction();
        else
            _puzzleView->undoAction();
        return true;
    }
    if (key.control && !key.shift && key.code == KeyCode::Y) {
        _puzzleView->redoAction();
        return true;
    }
    return false;
}

std::optional<KeyEvent> AppDelegate::applicationKeyForPad(Application* /*application*/,
                                                          const PadPress& press) {
    PadContext context = PadContext::Game;
    if (const AlertView* alert = _puzzleView ? _puzzleView->aboutAlert() : nullptr;
        alert && alert->isVisible())
        context = PadContext::OtherPanel;
    else if (panelShown())
        context = panels_->helpView()->isShown()          ? PadContext::Help
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
    panels_.reset(); // they take the end of game of the view they were made with
    _puzzleView = std::move(puzzleView);
}
