// The application delegate: builds the window with its bars, buttons, game view and time bar,
// loads the preferences into the game view, drives its frame timer from the application's
// activity, turns tilt and keys into commands and keeps the best score. Platform headers only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "desktop/window/GameLayout.h"
#include "platform/app/Application.h"
#include "platform/device/Accelerometer.h"

class Button;
class GamePanels;
class NavigationBar;
class PauseCover;
class ProgressView;
class ScoreInfoView;
class PuzzleView;
class Toolbar;
class UserDefaults;
class Widget;
class Window;

class AppDelegate : public ApplicationDelegate, public AccelerometerDelegate {
public:
    // On the process's store and the settings file among the resources.
    AppDelegate();
    // On another store and settings file (tests).
    AppDelegate(UserDefaults& store, std::string settingsPath);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // For the application's registry of delegates, under the name "AppDelegate".
    static std::unique_ptr<ApplicationDelegate> create();

    // ---- Life cycle ----

    // Window, navigation bar, toolbar with its buttons, game view and time bar; tilt; the
    // preferences. The frame timer starts with the first applicationDidBecomeActive.
    void applicationDidFinishLaunching(Application* application) override;
    void applicationDidBecomeActive(Application* application) override;
    void applicationWillResignActive(Application* application) override;
    // Stores the best score, or keeps the better one stored meanwhile.
    void applicationWillTerminate(Application* application) override;

    // The game's keys (see KeyMap), none of them while the alert or a panel is up; once a game
    // has ended, Return starts a new one. While paused the cover takes every key and resumes.
    // The panels' own keys are the panels'.
    bool applicationKeyDown(Application* application, const KeyEvent& key) override;
    // The game controller's buttons as the keys that do the same (see padKey): in the game, over
    // the panel shown, or the About alert.
    std::optional<KeyEvent> applicationKeyForPad(Application* application,
                                                 const PadPress& press) override;
    // The controller the game was played with is gone: the game waits, paused, for the player.
    void applicationPadDisconnected(Application* application) override;
    // Mouse motion over the game view hides the keyboard cursor.
    void applicationMouseMoved(Application* application, Point windowPoint) override;
    // Losing the focus pauses the game, as does becoming inactive (minimised).
    void applicationDidLoseFocus(Application* application) override;
    // Lays the views out again in the window's new size.
    void applicationWindowDidResize(Application* application) override;

    // Where the views go in an application frame (points) with bars of these heights (see
    // GameLayout).
    using Layout = GameLayout;
    static Layout layoutFor(const Rect& app, float navH, float barH);

    // The board the first game is made from (`spheron --game N`); none: the calendar clock's.
    static void setFirstGameNumber(std::optional<std::uint32_t> number);
    // Whether the launch shows the how-to-play card while the store says it was never shown:
    // a player's start does, a scripted run (or a test) does not.
    static void setOffersHowToPlay(bool offers);

    // Tilt control: only while accelState is exactly "true"; raw samples, four tests.
    void accelerometer(Accelerometer* accelerometer, const Acceleration& acceleration) override;

    // ---- Set-up steps of the launch ----

    void initToolbarButtons();
    void initNavigationItem();
    void loadPreferences();
    // One setting the preferences view has written, read back from the store and applied.
    void applyPreference(const std::string& key);
    void createDefaultPreferences();

    // ---- Button actions (the sender is not used) ----

    void rotateLeftAction(const void* sender);
    void rotateRightAction(const void* sender);
    void rotateUpAction(const void* sender);
    void rotateDownAction(const void* sender);

    // ---- Properties ----

    Window* window() const { return _window.get(); }
    void setWindow(std::unique_ptr<Window> window);
    PuzzleView* puzzleView() const { return _puzzleView.get(); }
    void setPuzzleView(std::unique_ptr<PuzzleView> puzzleView);
    const std::optional<std::string>& sfxState() const { return _sfxState; }
    void setSfxState(std::optional<std::string> value) { _sfxState = std::move(value); }
    const std::optional<std::string>& showHints() const { return _showHints; }
    void setShowHints(std::optional<std::string> value) { _showHints = std::move(value); }
    const std::string& accelState() const { return _accelState; }
    void setAccelState(std::string value) { _accelState = std::move(value); }

    // Read access for tests and the application.
    Toolbar* toolbar() const { return _toolbar.get(); }
    NavigationBar* navBar() const { return _navBar.get(); }
    ProgressView* progressView() const { return _progressView.get(); }
    ScoreInfoView* scoreInfoView() const { return scoreInfo_.get(); }
    PauseCover* pauseCover() const { return pauseCover_.get(); }
    Button* pauseButton() const { return pauseButton_; }
    Button* menuButton() const { return menuButton_; }
    GamePanels* gamePanels() const { return panels_.get(); }
    std::int32_t storedGameType() const { return gameType; }

private:
    // The window title with the game's number, the cover and the practice mark, as the game
    // view's state says.
    void showGameState();
    // Every view at its place by layoutFor() in the window as it is now.
    void layoutViews();
    // Resumes a paused game; true when it was paused.
    bool resumedInstead();
    // The refresh button, F2 and Ctrl+N.
    void newGameAction();
    // The panels over `gameArea`, told the end of every game.
    void makePanels(const Rect& gameArea);
    bool panelShown() const;

    std::unique_ptr<Window> _window;
    std::unique_ptr<PuzzleView> _puzzleView;
    std::unique_ptr<Toolbar> _toolbar;
    std::unique_ptr<NavigationBar> _navBar;
    std::unique_ptr<ProgressView> _progressView;
    std::unique_ptr<ScoreInfoView> scoreInfo_;
    std::unique_ptr<PauseCover> pauseCover_;
    std::unique_ptr<Widget> bandAbove_, bandBelow_; // beside a game view narrower than its area
    Button* pauseButton_ = nullptr;                 // in the navigation bar's right item
    Button* menuButton_ = nullptr;                  // beside it
    std::optional<std::string> _sfxState;           // as stored; none when nothing is
    std::optional<std::string> _showHints;          // as stored; none when nothing is
    std::string _accelState;                        // as stored; "false" when nothing is
    std::int32_t gameType = 0;

    UserDefaults& store_;
    std::string settingsPath_;
    std::unique_ptr<GamePanels> panels_; // over the game view; none without one
};
