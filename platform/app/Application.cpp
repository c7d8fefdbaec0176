// The running application and its life cycle, and the screen it shows on.
#include "platform/app/ApplicationParts.h"

#include "platform/app/Application.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/GLLayer.h"
#include "platform/gl/Screen.h"
#include "platform/ui/Window.h"

// One composition for everything the views changed in this pass of the loop.
namespace {
bool composePending = false;
bool wholePending = false;
std::vector<Rect> partsPending; // window points; empty while the whole window is due

void postComposition() {
    if (composePending) return;
    composePending = true;
    RunLoop::main().post([] {
        composePending = false;
        const bool whole = wholePending;
        wholePending = false;
        std::vector<Rect> parts;
        parts.swap(partsPending);
        // Nobody watches a scripted run: its one picture composes the window itself, so a key
        // or click costs no more than its own work.
        const Application* app = Application::sharedApplication();
        if ((app && app->isScriptedRun()) || !screenIsOpen()) return;
        if (whole) {
            windowPresent();
            return;
        }
        for (const Rect& part : parts)
            windowPresentArea(part);
    });
}
} // namespace

void setNeedsCompose() {
    wholePending = true;
    partsPending.clear();
    postComposition();
}

WindowChangeWatch::WindowChangeWatch() : window_(Window::keyWindow()) {
    if (window_) before_ = window_->look();
}

void WindowChangeWatch::composeChanges() const {
    Window* window = Window::keyWindow();
    std::vector<Rect> parts;
    if (!window || window != window_ || !windowChangedParts(before_, window->look(), parts)) {
        setNeedsCompose();
        return;
    }
    if (wholePending || parts.empty()) return;
    partsPending.insert(partsPending.end(), parts.begin(), parts.end());
    postComposition();
}

// ---- The screen ----

// SDL falls back to its offscreen driver when no display answers: a window nobody sees. Only
// take that when it was asked for by name (tests, screenshots).
bool onlyInvisibleVideoDriver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

Rect mainScreenBounds() {
    int w = 0;
    int h = 0;
    screenDrawableSize(&w, &h);
    if (w <= 0 || h <= 0) return {{0.0f, 0.0f}, {kScreenWidth, kScreenHeight}};
    const float scale = windowContentScale();
    return {{0.0f, 0.0f}, {static_cast<float>(w) / scale, static_cast<float>(h) / scale}};
}

Rect mainScreenApplicationFrame() {
    return mainScreenBounds();
}

// ---- The life cycle ----

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
    if (delegate_) delegate_->applicationWindowDidResize(this);
    setNeedsCompose();
}

void Application::resignActive() {
    if (!active_) return;
    active_ = false;
    if (delegate_) delegate_->applicationWillResignActive(this);
}
