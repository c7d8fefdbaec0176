// The pieces that UIApplicationMain assembles, each in a file of its own: the signal watch, the
// translation of SDL's events (window and keys, pointers, the key table) and the scripted run.
// Internal to the app folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/base/Geometry.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Window.h"

struct ApplicationOptions;
union SDL_Event;
struct SDL_MouseButtonEvent;
struct SDL_MouseMotionEvent;
struct SDL_TouchFingerEvent;

// The window's size in points when nothing else is asked for: the game's own 320 x 480.
constexpr float kScreenWidth = 320.0f;
constexpr float kScreenHeight = 480.0f;

// One composition, later in this pass of the loop, for everything the views changed.
void setNeedsCompose();

// Watches the key window while an event is handled: composeChanges() then asks for a composition
// of only the parts its widgets drew in before or draw in now (GL views show their own changes),
// or of the whole window where more may have changed. Parts asked for in one pass of the loop are
// composed together, and a whole composition asked for in it takes them all.
class WindowChangeWatch {
public:
    WindowChangeWatch();
    void composeChanges() const;

private:
    Window* window_;
    WindowLook before_;
};

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

// SDL's key code (SDL_Keycode) as a neutral one; Other for the keys the game does not use.
KeyCode keyCodeOfSdlKey(std::int32_t key);

// The mouse's left button and the fingers as touches of the key window; mouse motion without a
// press goes to the delegate. A lost focus drops the held press; forgetPointers() every press.
void mouseButtonEvent(const SDL_MouseButtonEvent& event);
void mouseMotionEvent(const SDL_MouseMotionEvent& event);
void fingerEvent(const SDL_TouchFingerEvent& event);
void dropMousePress();
void forgetPointers();

// SDL's events, delivered by the main loop, to the application and its key window.
struct ApplicationEvents {
    static void deliverSdlEvent(const SDL_Event& event);
    static void forgetHeldInput(); // held buttons and fingers
    // A key from the keyboard or acting for a controller's button: the key window's views, then
    // the delegate.
    static void deliverKey(const KeyEvent& key);
    // Typed text to the key window's views (SDL's text input, on only while a field edits).
    static void deliverText(const std::string& text);

private:
    static void windowEvent(const SDL_Event& event); // the life cycle follows the window
};
