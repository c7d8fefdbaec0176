// The running application and its life cycle, and SDL's window, mouse, finger and key events on
// the main loop, turned into the life-cycle callbacks, the key window's touches and key events.
#include "platform/app/ApplicationParts.h"

#include <SDL.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/device/Accelerometer.h"
#include "platform/device/GamePads.h"
#include "platform/gl/GLLayer.h"
#include "platform/gl/Screen.h"
#include "platform/ui/Window.h"

namespace {

// SDL window coordinates to window points.
Point windowPoint(float x, float y) {
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(screenWindow(), &w, &h);
    if (w <= 0 || h <= 0) return {x, y};
    const Size points = mainScreenBounds().size;
    return {x * points.width / static_cast<float>(w), y * points.height / static_cast<float>(h)};
}

// F11: the desktop's full screen (the window grows to the display, no mode change), and back.
void toggleFullScreen() {
    SDL_Window* window = screenWindow();
    if (!window) return;
    if (onlyInvisibleVideoDriver()) { // its picture would keep the old size
        platformLog("F11: no full screen for a window nobody sees");
        return;
    }
    const bool full = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    if (SDL_SetWindowFullscreen(window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        platformLog("cannot %s full screen: %s", full ? "leave" : "enter", SDL_GetError());
}


KeyCode keyCodeOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<KeyCode>(static_cast<int>(KeyCode::A) + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<KeyCode>(static_cast<int>(KeyCode::Digit0) + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return static_cast<KeyCode>(static_cast<int>(KeyCode::F1) + (key - SDLK_F1));
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) // SDL puts the keypad's 0 after its 9
        return static_cast<KeyCode>(static_cast<int>(KeyCode::Keypad1) + (key - SDLK_KP_1));
    switch (key) {
    case SDLK_KP_0:
        return KeyCode::Keypad0;
    case SDLK_ESCAPE:
        return KeyCode::Escape;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return KeyCode::Return;
    case SDLK_SPACE:
        return KeyCode::Space;
    case SDLK_TAB:
        return KeyCode::Tab;
    case SDLK_BACKSPACE:
        return KeyCode::Backspace;
    case SDLK_PAUSE:
        return KeyCode::Pause;
    case SDLK_COMMA:
        return KeyCode::Comma;
    case SDLK_LEFT:
        return KeyCode::Left;
    case SDLK_RIGHT:
        return KeyCode::Right;
    case SDLK_UP:
        return KeyCode::Up;
    case SDLK_DOWN:
        return KeyCode::Down;
    default:
        return KeyCode::Other;
    }
}

bool mouseDown = false;
// SDL's finger ids, and the touch ids the window knows them by (the mouse is touch 0).
std::vector<std::pair<SDL_FingerID, int>> fingers;
int nextFingerTouch = 1;

void sendTouchToKeyWindow(InputType type, Point location, int touchId) {
    Window* window = Window::keyWindow();
    if (!window) return;
    InputEvent event;
    event.type = type;
    event.location = location;
    event.touchId = touchId;
    window->sendEvent(event);
    setNeedsCompose(); // a button may show its pressed state, or an alert may have gone
}

void fingerEvent(const SDL_TouchFingerEvent& e) {
    if (e.touchId == SDL_MOUSE_TOUCHID) return; // the mouse, reported as a finger
    // Finger positions are normalised to the window.
    const Size points = mainScreenBounds().size;
    const Point p{e.x * points.width, e.y * points.height};
    auto known = std::find_if(fingers.begin(), fingers.end(),
                              [&](const auto& f) { return f.first == e.fingerId; });
    if (e.type == SDL_FINGERDOWN) {
        if (known != fingers.end()) fingers.erase(known); // a lost lift
        fingers.emplace_back(e.fingerId, nextFingerTouch);
        sendTouchToKeyWindow(InputType::TouchDown, p, nextFingerTouch);
        nextFingerTouch = nextFingerTouch == 1'000'000 ? 1 : nextFingerTouch + 1;
        return;
    }
    if (known == fingers.end()) return;
    const int id = known->second;
    if (e.type == SDL_FINGERMOTION) {
        sendTouchToKeyWindow(InputType::TouchMove, p, id);
    } else {
        fingers.erase(known);
        sendTouchToKeyWindow(InputType::TouchUp, p, id);
    }
}

void keyDownEvent(const SDL_KeyboardEvent& e) {
    Application* app = Application::sharedApplication();
    KeyEvent k;
    k.code = keyCodeOf(e.keysym.sym);
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

void ApplicationEvents::deliverKey(const KeyEvent& k) {
    Application* app = Application::sharedApplication();
    bool taken = false;
    if (Window* window = Window::keyWindow()) {
        InputEvent event;
        event.type = InputType::KeyDown;
        event.key = k;
        taken = window->sendEvent(event);
    }
    if (!taken && app && app->delegate()) taken = app->delegate()->applicationKeyDown(app, k);
    if (taken) setNeedsCompose();
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
        // Still active, as an uncovered phone screen is; but a held press is lost, and the
        // delegate decides what else the loss means.
        mouseDown = false;
        if (Window* w = Window::keyWindow()) w->cancelTouches();
        GamePads::shared().forgetHeld(); // SDL keeps a pad's events from us until it is back
        if (app->delegate()) app->delegate()->applicationDidLoseFocus(app);
        setNeedsCompose();
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        setNeedsCompose();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
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
        if (e.button.button != SDL_BUTTON_LEFT || e.button.which == SDL_TOUCH_MOUSEID) break;
        mouseDown = true;
        sendTouchToKeyWindow(InputType::TouchDown,
                  windowPoint(static_cast<float>(e.button.x), static_cast<float>(e.button.y)),
                  0);
        break;
    case SDL_MOUSEMOTION:
        if (e.motion.which == SDL_TOUCH_MOUSEID) break;
        if (!mouseDown) {
            Application* app = Application::sharedApplication();
            if (app && app->delegate() && (e.motion.xrel != 0 || e.motion.yrel != 0))
                app->delegate()->applicationMouseMoved(
                    app,
                    windowPoint(static_cast<float>(e.motion.x), static_cast<float>(e.motion.y)));
            break;
        }
        sendTouchToKeyWindow(InputType::TouchMove,
                  windowPoint(static_cast<float>(e.motion.x), static_cast<float>(e.motion.y)),
                  0);
        break;
    case SDL_MOUSEBUTTONUP:
        if (e.button.button != SDL_BUTTON_LEFT || e.button.which == SDL_TOUCH_MOUSEID ||
            !mouseDown)
            break;
        mouseDown = false;
        sendTouchToKeyWindow(InputType::TouchUp,
                  windowPoint(static_cast<float>(e.button.x), static_cast<float>(e.button.y)),
                  0);
        break;
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP:
        fingerEvent(e.tfinger);
        break;
    case SDL_KEYDOWN:
        keyDownEvent(e.key);
        break;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
        GamePads::shared().handleEvent(e); // opens or closes it first
        Accelerometer::sharedAccelerometer().devicesChanged();
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
    mouseDown = false;
    fingers.clear();
}

// One composition for everything the views changed in this pass of the loop.
namespace {
bool composePending = false;
}

void setNeedsCompose() {
    if (composePending) return;
    composePending = true;
    RunLoop::main().post([] {
        composePending = false;
        if (screenIsOpen()) windowPresent();
    });
}

Application* Application::shared_ = nullptr;

Application* Application::sharedApplication() {
    return shared_;
}

void Application::terminate() {
    RunLoop::main().quit();
}

void Application::terminateWithStatus(int status) {
    exitStatus_ = status;
    terminate();
}

void Application::becomeActive() {
    if (active_) return;
    active_ = true;
    if (delegate_) delegate_->applicationDidBecomeActive(this);
    setNeedsCompose();
}

bool Application::resizedWindowSize(int* width, int* height) const {
    if (scripted_ || normalWidth_ <= 0 || normalHeight_ <= 0 ||
        (normalWidth_ == openedWidth_ && normalHeight_ == openedHeight_))
        return false;
    *width = normalWidth_;
    *height = normalHeight_;
    return true;
}

void Application::windowDidResize() {
    SDL_Window* window = screenWindow();
    const Uint32 flags = SDL_GetWindowFlags(window);
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(window, &w, &h);
    // Without a window manager nothing keeps to the window's minimum size but the window itself.
    const int minW = kMinWindowWidth * scale_;
    const int minH = kMinWindowHeight * scale_;
    if (!(flags & SDL_WINDOW_FULLSCREEN) && (w < minW || h < minH))
        SDL_SetWindowSize(window, std::max(w, minW), std::max(h, minH));
    if (!(flags & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MAXIMIZED))) {
        normalWidth_ = std::max(w, minW);
        normalHeight_ = std::max(h, minH);
    }
    if (Window* key = Window::keyWindow()) key->cancelTouches(); // the views under them move
    mouseDown = false;
    if (delegate_) delegate_->applicationWindowDidResize(this);
    setNeedsCompose();
}

void Application::resignActive() {
    if (!active_) return;
    active_ = false;
    if (delegate_) delegate_->applicationWillResignActive(this);
}
