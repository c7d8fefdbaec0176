// The mouse and the fingers as the key window's touches: the mouse is touch 0, each finger gets a
// touch id of its own for as long as it is down.
#include "platform/app/ApplicationParts.h"

#include "platform/app/Application.h"

#include <SDL.h>

#include <algorithm>
#include <utility>
#include <vector>

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
    const WindowChangeWatch watch; // a button may show its pressed state, or an alert may go
    window->sendEvent(event);
    watch.composeChanges();
}

} // namespace

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

void mouseButtonEvent(const SDL_MouseButtonEvent& e) {
    if (e.button != SDL_BUTTON_LEFT || e.which == SDL_TOUCH_MOUSEID) return;
    const Point p = windowPoint(static_cast<float>(e.x), static_cast<float>(e.y));
    if (e.type == SDL_MOUSEBUTTONDOWN) {
        mouseDown = true;
        sendTouchToKeyWindow(InputType::TouchDown, p, 0);
    } else if (mouseDown) {
        mouseDown = false;
        sendTouchToKeyWindow(InputType::TouchUp, p, 0);
    }
}

void mouseMotionEvent(const SDL_MouseMotionEvent& e) {
    if (e.which == SDL_TOUCH_MOUSEID) return;
    const Point p = windowPoint(static_cast<float>(e.x), static_cast<float>(e.y));
    if (!mouseDown) {
        Application* app = Application::sharedApplication();
        if (!app || !app->delegate() || (e.xrel == 0 && e.yrel == 0)) return;
        const WindowChangeWatch watch; // only for a move the delegate sees
        if (app->delegate()->applicationMouseMoved(app, p)) watch.composeChanges();
        return;
    }
    sendTouchToKeyWindow(InputType::TouchMove, p, 0);
}

void dropMousePress() {
    mouseDown = false;
}

void forgetPointers() {
    mouseDown = false;
    fingers.clear();
}
