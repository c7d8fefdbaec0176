// SDL's window, mouse, finger, key and game controller events on the main loop, turned into the
// life-cycle callbacks, the key window's touches and key events.
#include "platform/app/ApplicationParts.h"

#include "platform/app/Application.h"

#include <SDL.h>

#include "platform/base/Log.h"
#include "platform/device/Accelerometer.h"
#include "platform/device/GamePads.h"
#include "platform/gl/Screen.h"
#include "platform/ui/Window.h"

namespace {

bool maximisedBeforeFullScreen = false;

// F11: the desktop's full screen (the window grows to the display, no mode change), and back.
void toggleFullScreen() {
    SDL_Window* window = screenWindow();
    if (!window) return;
    if (onlyInvisibleVideoDriver()) { // its picture would keep the old size
        platformLog("F11: no full screen for a window nobody sees");
        return;
    }
    const Uint32 flags = SDL_GetWindowFlags(window);
    const FullScreenStep step =
        fullScreenStep((flags & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0,
                       (flags & SDL_WINDOW_MAXIMIZED) != 0, maximisedBeforeFullScreen);
    if (SDL_SetWindowFullscreen(window, step.enter ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        platformLog("cannot %s full screen: %s", step.enter ? "enter" : "leave", SDL_GetError());
        return;
    }
    if (step.maximise) SDL_MaximizeWindow(window);
}

void keyDownEvent(const SDL_KeyboardEvent& e) {
    Application* app = Application::sharedApplication();
    KeyEvent k;
    k.code = keyCodeOfSdlKey(e.keysym.sym);
    k.control = (e.keysym.mod & KMOD_CTRL) != 0;
    k.shift = (e.keysym.mod & KMOD_SHIFT) != 0;
    k.alt = (e.keysym.mod & KMOD_ALT) != 0;
    k.repeat = e.repeat != 0;
    if (k.code == KeyCode::Q && k.control && !k.shift && !k.alt) {
        if (app) app->terminate();
        return;
    }
    if (k.code == KeyCode::F11 && !k.control && !k.shift && !k.alt) { // the window's, like Ctrl+Q
        if (!k.repeat) toggleFullScreen();
        return;
    }
    ApplicationEvents::deliverKey(k);
}

} // namespace

FullScreenStep fullScreenStep(bool fullScreen, bool maximised, bool& wasMaximised) {
    FullScreenStep step;
    if (!fullScreen) {
        step.enter = true;
        wasMaximised = maximised;
    } else {
        step.maximise = wasMaximised;
        wasMaximised = false;
    }
    return step;
}

void ApplicationEvents::deliverKey(const KeyEvent& k) {
    Application* app = Application::sharedApplication();
    const WindowChangeWatch watch;
    bool taken = false;
    if (Window* window = Window::keyWindow()) {
        InputEvent event;
        event.type = InputType::KeyDown;
        event.key = k;
        taken = window->sendEvent(event);
    }
    if (!taken && app && app->delegate()) taken = app->delegate()->applicationKeyDown(app, k);
    if (taken) watch.composeChanges();
}

void ApplicationEvents::deliverText(const std::string& text) {
    Window* window = Window::keyWindow();
    if (!window || text.empty()) return;
    InputEvent event;
    event.type = InputType::TextInput;
    event.text = text;
    const WindowChangeWatch watch;
    if (window->sendEvent(event)) watch.composeChanges();
}

void ApplicationEvents::windowEvent(const SDL_Event& event) {
    const SDL_WindowEvent& e = event.window;
    Application* app = Application::sharedApplication();
    if (!app || !screenWindow() || e.windowID != SDL_GetWindowID(screenWindow())) return;
    switch (e.event) {
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        app->becomeActive();
        break;
    case SDL_WINDOWEVENT_HIDDEN:
    case SDL_WINDOWEVENT_MINIMIZED:
        app->resignActive();
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        // Still active, since the window still shows; but a held press is lost, and the
        // delegate decides what else the loss means.
        dropMousePress();
        if (Window* w = Window::keyWindow()) w->cancelTouches();
        GamePads::shared().forgetHeld(); // SDL keeps a pad's events from us until it is back
        if (app->delegate()) app->delegate()->applicationDidLoseFocus(app);
        setNeedsCompose();
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        setNeedsCompose();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        dropMousePress(); // the views under it move
        app->windowDidResize();
        break;
    case SDL_WINDOWEVENT_CLOSE:
        app->terminate();
        break;
    default:
        break;
    }
}

void ApplicationEvents::deliverSdlEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_QUIT:
        if (Application* app = Application::sharedApplication()) app->terminate();
        break;
    case SDL_WINDOWEVENT:
        windowEvent(e);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        mouseButtonEvent(e.button);
        break;
    case SDL_MOUSEMOTION:
        mouseMotionEvent(e.motion);
        break;
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP:
        fingerEvent(e.tfinger);
        break;
    case SDL_KEYDOWN:
        keyDownEvent(e.key);
        break;
    case SDL_TEXTINPUT:
        deliverText(e.text.text); // SDL ends the text with a NUL within its array
        break;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
        GamePads::shared().handleEvent(e); // opens or closes it first
        Accelerometer::sharedAccelerometer().devicesChanged();
        setNeedsCompose(); // the preferences may offer tilt now, or no longer
        break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION:
        GamePads::shared().handleEvent(e);
        break;
    default:
        break;
    }
}

void ApplicationEvents::forgetHeldInput() {
    forgetPointers();
}
