// The pieces that UIApplicationMain assembles, each in a file of its own: the signal watch, the
// translation of SDL's events and the scripted run. Internal to the app folder.
#pragma once

#include <memory>

#include "platform/app/Application.h"

union SDL_Event;

// The window's size in points when nothing else is asked for: the phone's screen.
constexpr float kScreenWidth = 320.0f;
constexpr float kScreenHeight = 480.0f;

// One composition, later in this pass of the loop, for everything the views changed.
void setNeedsCompose();

// SDL's offscreen or dummy driver: a window nobody sees, whose pixels keep the size it opened at.
bool onlyInvisibleVideoDriver();

// SIGINT and SIGTERM quit the main loop while one of these lives.
class SignalWatch {
public:
    SignalWatch();
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The clicks and the screenshot of the options, run on the main loop while one of these lives.
class ScriptedRun {
public:
    explicit ScriptedRun(const ApplicationOptions& options);
    ~ScriptedRun();
    ScriptedRun(const ScriptedRun&) = delete;
    ScriptedRun& operator=(const ScriptedRun&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// SDL's events, delivered by the main loop, to the application and its key window.
struct ApplicationEvents {
    static void deliverSdlEvent(const SDL_Event& event);
    static void forgetHeldInput(); // held buttons and fingers
    // A key from the keyboard or acting for a controller's button: the key window's views, then
    // the delegate.
    static void deliverKey(const KeyEvent& key);

private:
    static void windowEvent(const SDL_Event& event); // the life cycle follows the window
};
