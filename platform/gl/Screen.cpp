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

// Where the back buffer keeps the last picture composed, a frame may compose a part of it. On X
// that takes GLX_MESA_copy_sub_buffer, reached through SDL so that nothing links against X or
// GLX: the window is then shown by copying from its back buffer, never by swapping. The
// offscreen driver draws into a single buffer, which keeps its pixels.
using XDisplay = void;
using CopySubBufferFn = void (*)(XDisplay*, unsigned long, int, int, int, int);
struct PartCopy {
    CopySubBufferFn copy = nullptr;
    XDisplay* display = nullptr;
    unsigned long drawable = 0;
    // Offscreen: the swap returns before llvmpipe has drawn the frame, and frames issued faster
    // than its threads draw them queue up, each holding command memory that llvmpipe keeps for
    // reuse (a scripted run grew by tens of MiB). A window system's swap waits by itself.
    bool singleBuffer = false;
};
PartCopy partCopy;

PartCopy findPartCopy() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "offscreen") == 0) return {nullptr, nullptr, 0, true};
    if (!driver || std::strcmp(driver, "x11") != 0) return {};
    using GetDisplayFn = XDisplay* (*)();
    using GetDrawableFn = unsigned long (*)();
    using GetContextFn = void* (*)();
    using QueryContextFn = int (*)(XDisplay*, void*, int, int*);
    using QueryExtensionsFn = const char* (*)(XDisplay*, int);
    const auto getDisplay =
        reinterpret_cast<GetDisplayFn>(SDL_GL_GetProcAddress("glXGetCurrentDisplay"));
    const auto getDrawable =
        reinterpret_cast<GetDrawableFn>(SDL_GL_GetProcAddress("glXGetCurrentDrawable"));
    const auto getContext =
        reinterpret_cast<GetContextFn>(SDL_GL_GetProcAddress("glXGetCurrentContext"));
    const auto queryContext =
        reinterpret_cast<QueryContextFn>(SDL_GL_GetProcAddress("glXQueryContext"));
    const auto queryExtensions =
        reinterpret_cast<QueryExtensionsFn>(SDL_GL_GetProcAddress("glXQueryExtensionsString"));
    if (!getDisplay || !getDrawable || !getContext || !queryContext || !queryExtensions) return {};
    PartCopy found;
    found.display = getDisplay();
    found.drawable = getDrawable();
    void* context = getContext();
    constexpr int kGlxScreen = 0x800C;
    int screen = 0;
    if (!found.display || !found.drawable || !context ||
        queryContext(found.display, context, kGlxScreen, &screen) != 0)
        return {};
    const char* all = queryExtensions(found.display, screen);
    constexpr const char* kName = "GLX_MESA_copy_sub_buffer";
    const std::size_t length = std::strlen(kName);
    for (const char* at = all ? std::strstr(all, kName) : nullptr; at;
         at = std::strstr(at + 1, kName))
        if ((at == all || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) {
            found.copy =
                reinterpret_cast<CopySubBufferFn>(SDL_GL_GetProcAddress("glXCopySubBufferMESA"));
            return found.copy ? found : PartCopy{};
        }
    return {};
}
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
    partCopy = findPartCopy();
    return true;
}

void screenClose() {
    partCopy = {};
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
    if (!partCopy.copy) {
        SDL_GL_SwapWindow(window);
        if (partCopy.singleBuffer) glFinish();
        return;
    }
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
    screenShowPart(0, 0, width, height);
}

bool screenCanShowPart() {
    return window && (partCopy.copy || partCopy.singleBuffer);
}

void screenShowPart(int x, int y, int width, int height) {
    if (!window || width <= 0 || height <= 0) return;
    if (partCopy.copy) {
        partCopy.copy(partCopy.display, partCopy.drawable, x, y, width, height);
    } else if (partCopy.singleBuffer) {
        SDL_GL_SwapWindow(window); // shows nothing, as a whole swap there does
        glFinish();
    }
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
