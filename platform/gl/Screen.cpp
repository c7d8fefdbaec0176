// The screen: SDL video, one window and its OpenGL ES 1.1 default context.
#include "platform/gl/Screen.h"

#include <SDL.h>

#include <cstring>
#include <string>

#include "platform/base/Log.h"
#include "platform/gl/GLExtensions.h"

namespace {
SDL_Window* window = nullptr;
SDL_GLContext defaultContext = nullptr;
bool videoStarted = false;
// The offscreen driver's swap returns before llvmpipe has drawn the frame. Frames issued faster
// than its threads draw them then queue up, each holding its own command memory, which llvmpipe
// keeps for reuse: a scripted run, which updates frames as fast as it can, grew by tens of MiB.
// A window system's swap waits for the frame by itself.
bool waitAfterSwap = false;
} // namespace

bool screenStartVideo() {
    // libwayland-client prints "error: XDG_RUNTIME_DIR is invalid or not set in the environment."
    // when asked to connect with no way to find the compositor's socket, and SDL asks while it
    // looks for a display. There, SDL gets its own list of drivers without Wayland: a hint of
    // this process alone, while the environment that other programs see stays as it is.
    const auto absolute = [](const char* name) {
        const char* value = SDL_getenv(name);
        return value && value[0] == '/';
    };
    if (!SDL_getenv("SDL_VIDEODRIVER") && !SDL_getenv("WAYLAND_SOCKET") &&
        !absolute("XDG_RUNTIME_DIR") && !absolute("WAYLAND_DISPLAY")) {
        std::string drivers;
        for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
            const char* driver = SDL_GetVideoDriver(i);
            if (std::strcmp(driver, "wayland") == 0) continue;
            drivers += (drivers.empty() ? "" : ",") + std::string(driver);
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    }
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

bool screenOpen(const ScreenOptions& options) {
    screenClose();
    if (!videoStarted) {
        if (!screenStartVideo()) {
            platformLog("cannot start video (no display? try xvfb-run): %s", SDL_GetError());
            return false;
        }
        videoStarted = true;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    Uint32 flags = SDL_WINDOW_OPENGL | (options.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
    if (options.resizable) flags |= SDL_WINDOW_RESIZABLE;
    window = SDL_CreateWindow(options.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                              options.widthPx, options.heightPx, flags);
    if (!window) {
        platformLog("cannot open a %dx%d OpenGL ES window: %s", options.widthPx, options.heightPx,
                    SDL_GetError());
        return false;
    }
    defaultContext = SDL_GL_CreateContext(window);
    if (!defaultContext) {
        platformLog("cannot create an OpenGL ES 1.1 context: %s", SDL_GetError());
        screenClose();
        return false;
    }
    if (!loadGLExtensions()) {
        screenClose();
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    waitAfterSwap = driver && std::strcmp(driver, "offscreen") == 0;
    return true;
}

void screenClose() {
    if (defaultContext) {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(defaultContext);
        defaultContext = nullptr;
    }
    if (window) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
}

bool screenIsOpen() { return window != nullptr; }
SDL_Window* screenWindow() { return window; }
void* screenDefaultContext() { return defaultContext; }

bool screenMakeDefaultCurrent() {
    if (!window || SDL_GL_MakeCurrent(window, defaultContext) != 0) {
        platformLog("cannot make the screen's context current: %s", SDL_GetError());
        return false;
    }
    return true;
}

void screenSetTitle(const char* title) {
    if (SDL_Window* w = screenWindow()) SDL_SetWindowTitle(w, title);
}

void screenSwap() {
    if (!window) return;
    SDL_GL_SwapWindow(window);
    if (waitAfterSwap) glFinish();
}

void screenDrawableSize(int* widthPx, int* heightPx) {
    *widthPx = *heightPx = 0;
    if (window) SDL_GL_GetDrawableSize(window, widthPx, heightPx);
}

std::uint32_t screenWindowId() {
    return window ? SDL_GetWindowID(window) : 0;
}

SavedGLContext::SavedGLContext()
    : window_(SDL_GL_GetCurrentWindow()), sdlContext_(SDL_GL_GetCurrentContext()) {}

bool SavedGLContext::restore() const {
    if (!sdlContext_) return SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr) == 0;
    // The screen's window is the only one contexts live on; a closed one cannot take it back.
    if (!window_ || window_ != screenWindow()) return false;
    return SDL_GL_MakeCurrent(window_, sdlContext_) == 0;
}

namespace {
float contentScale = 1.0f;
}

void windowSetContentScale(float scale) {
    if (scale > 0.0f) contentScale = scale;
}

float windowContentScale() {
    return contentScale;
}
