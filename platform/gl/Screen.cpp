// The screen: SDL video, one window and its OpenGL ES 1.1 default context.
#include "platform/gl/Screen.h"

#include <SDL.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Log.h"
#include "platform/gl/GLExtensions.h"
#include "platform/gl/GLStateSnapshot.h"
#include "platform/gl/X11Title.h"

namespace {
SDL_Window* window = nullptr;
SDL_GLContext defaultContext = nullptr;
std::optional<GLStateSnapshot> initialState; // the default context's, as made
bool videoStarted = false;

// Where the back buffer keeps the last picture composed, a frame may compose a part of it. The
// offscreen driver draws into a single buffer, which keeps its pixels; on X, SDL makes OpenGL ES 1
// contexts with EGL, whose window surface is asked to keep its back buffer through swaps. EGL is
// looked up among the libraries SDL loaded, so that nothing links against it.
enum class KeptBackBuffer { None, PreservedSwap, SingleBuffer };
// Offscreen the swap returns before llvmpipe has drawn the frame, and frames issued faster than
// its threads draw them queue up, each holding command memory that llvmpipe keeps for reuse (a
// scripted run grew by tens of MiB): there the swap waits. A window system's swap waits by itself.
KeptBackBuffer keptBackBuffer = KeptBackBuffer::None;

// Where GL draws in software, EGL's swap on X sends the whole window through the X socket every
// frame, although a frame changes a tenth of it. There the back buffer is never swapped: it keeps
// every picture, and the changed rectangles are read from it into SDL's window framebuffer, which
// SDL shows through the X server's shared-memory images. A GPU keeps the swap.
// SPHERON_PRESENT=shm or =swap chooses either way wherever SDL gives the window a framebuffer.
enum class Presentation { Swap, WindowFramebuffer };
Presentation presentation = Presentation::Swap;
std::vector<std::uint8_t> readBack; // rows read from GL, on their way to the framebuffer
constexpr std::size_t kReadBackBytes = 64 * 1024;
int backBufferWidth = 0, backBufferHeight = 0; // the window's size the back buffer was made for
bool readsBgra = false;            // GL_EXT_read_format_bgra: GL reads the X server's order
constexpr GLenum kGLBgra = 0x80E1; // GL_BGRA_EXT

// llvmpipe draws on threads of its own, one a CPU, by default. Each frame then wakes them and
// waits for them, which on two cores cost a third more CPU than drawing it on the calling thread
// (a pulse's frame 2.4 against 2.0 ms, a whole one 19.5 against 14.4 ms at 640 x 960). Up to
// that size a whole frame drawn on one core fits well within a tick of the game (20 ms); above
// it the threads are what keep a turn from falling behind. The driver reads the variable when
// the window's GL starts, so it is set for that moment only; a value of the user's stands.
constexpr long kOneThreadPixels = 650L * 1000L;
constexpr const char* kRasterThreads = "LP_NUM_THREADS";

// Asks llvmpipe to draw on the calling thread for a window of `pixels`; true when it set the
// variable (and so must take it away again).
bool drawOnCallingThreadFor(long pixels) {
    if (pixels > kOneThreadPixels || SDL_getenv(kRasterThreads)) return false;
    return setenv(kRasterThreads, "0", 0) == 0;
}

bool eglKeepsBackBuffer() {
    const auto getContext = eglLoaded<void* (*)()>("eglGetCurrentContext");
    const auto getDisplay = eglLoaded<void* (*)()>("eglGetCurrentDisplay");
    const auto getSurface = eglLoaded<void* (*)(int)>("eglGetCurrentSurface");
    const auto setAttrib = eglLoaded<unsigned (*)(void*, void*, int, int)>("eglSurfaceAttrib");
    const auto query = eglLoaded<unsigned (*)(void*, void*, int, int*)>("eglQuerySurface");
    if (!getContext || !getDisplay || !getSurface || !setAttrib || !query || !getContext())
        return false;
    constexpr int kDraw = 0x3059, kSwapBehavior = 0x3093, kPreserved = 0x3094;
    void* display = getDisplay();
    void* surface = getSurface(kDraw);
    int behavior = 0;
    if (!display || !surface) return false;
    setAttrib(display, surface, kSwapBehavior, kPreserved); // refused where the config cannot
    return query(display, surface, kSwapBehavior, &behavior) && behavior == kPreserved;
}

bool drawsInSoftware() {
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer) return false;
    for (const char* name : {"llvmpipe", "softpipe", "swrast"})
        if (std::strstr(renderer, name)) return true;
    return false;
}

Presentation findPresentation() {
    const char* forced = SDL_getenv("SPHERON_PRESENT");
    bool wanted = false;
    if (forced && std::strcmp(forced, "shm") == 0) {
        wanted = true;
    } else if (forced && std::strcmp(forced, "swap") == 0) {
        wanted = false;
    } else {
        if (forced && forced[0])
            platformLog("SPHERON_PRESENT=%s: unknown (shm or swap); chosen by the driver", forced);
        const char* driver = SDL_GetCurrentVideoDriver();
        wanted = driver && std::strcmp(driver, "x11") == 0 && drawsInSoftware();
    }
    if (!wanted) return Presentation::Swap;
    // In software, not through a renderer of SDL's own, which would take GL from us.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (!SDL_GetWindowSurface(window)) {
        platformLog("no window framebuffer (%s): frames are swapped whole", SDL_GetError());
        return Presentation::Swap;
    }
    readsBgra = SDL_GL_ExtensionSupported("GL_EXT_read_format_bgra");
    return Presentation::WindowFramebuffer;
}

// One row of opaque pixels read from GL (RGBA, or the framebuffer's own order) into the window's
// framebuffer.
void copyRow(const std::uint8_t* from, std::uint8_t* to, int width, const SDL_PixelFormat& f,
             bool framebufferOrder) {
    if (framebufferOrder) {
        std::memcpy(to, from, static_cast<std::size_t>(width) * 4);
    } else if (f.BytesPerPixel == 4) {
        auto* out = reinterpret_cast<std::uint32_t*>(to);
        for (int i = 0; i < width; ++i, from += 4)
            out[i] = (Uint32{from[0]} >> f.Rloss << f.Rshift) |
                     (Uint32{from[1]} >> f.Gloss << f.Gshift) |
                     (Uint32{from[2]} >> f.Bloss << f.Bshift) | f.Amask;
    } else {
        SDL_ConvertPixels(width, 1, SDL_PIXELFORMAT_RGBA32, from, width * 4, f.format, to,
                          width * f.BytesPerPixel);
    }
}

// Each part's window pixels (from the bottom-left), read from the frame buffer bound now at the
// part's place less (dx, dy), into the same pixels of the window's framebuffer (rows from the
// top), turned top side up on the way, then shown together. Nothing when the framebuffer's size
// differs from the drawable's.
bool showThroughFramebuffer(const ScreenPart* parts, int count, int dx, int dy) {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    int drawableW = 0, drawableH = 0;
    SDL_GL_GetDrawableSize(window, &drawableW, &drawableH);
    if (!surface || surface->w != drawableW || surface->h != drawableH) return false;
    const SDL_PixelFormat& f = *surface->format;
    const bool bgra = f.BytesPerPixel == 4 && f.Rshift == 16 && f.Gshift == 8 && f.Bshift == 0 &&
                      f.Rloss == 0 && f.Gloss == 0 && f.Bloss == 0 && readsBgra;
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    std::vector<SDL_Rect> shown;
    shown.reserve(static_cast<std::size_t>(count));
    SDL_LockSurface(surface);
    auto* pixels = static_cast<std::uint8_t*>(surface->pixels);
    for (int k = 0; k < count; ++k) {
        const int x = std::clamp(parts[k].x, 0, drawableW);
        const int y = std::clamp(parts[k].y, 0, drawableH);
        const int width = std::clamp(parts[k].x + parts[k].width, x, drawableW) - x;
        const int height = std::clamp(parts[k].y + parts[k].height, y, drawableH) - y;
        if (width == 0 || height == 0) continue;
        // In strips of rows, so that what is kept to read into stays small.
        const std::size_t row = static_cast<std::size_t>(width) * 4;
        const int strip = std::clamp(static_cast<int>(kReadBackBytes / row), 1, height);
        readBack.resize(row * static_cast<std::size_t>(strip));
        const int top = drawableH - y - height;
        for (int from = 0; from < height; from += strip) {
            const int rows = std::min(strip, height - from);
            glReadPixels(x - dx, y - dy + from, width, rows, bgra ? kGLBgra : GL_RGBA,
                         GL_UNSIGNED_BYTE, readBack.data());
            for (int r = 0; r < rows; ++r)
                copyRow(readBack.data() + row * static_cast<std::size_t>(r),
                        pixels +
                            static_cast<std::ptrdiff_t>(top + height - 1 - from - r) *
                                surface->pitch +
                            x * f.BytesPerPixel,
                        width, f, bgra);
        }
        shown.push_back({x, top, width, height});
    }
    SDL_UnlockSurface(surface);
    if (!shown.empty())
        SDL_UpdateWindowSurfaceRects(window, shown.data(), static_cast<int>(shown.size()));
    return true;
}

KeptBackBuffer findKeptBackBuffer() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "offscreen") == 0) return KeptBackBuffer::SingleBuffer;
    if (driver && std::strcmp(driver, "x11") == 0 && eglKeepsBackBuffer())
        return KeptBackBuffer::PreservedSwap;
    return KeptBackBuffer::None;
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
    // OpenGL ES 1 on X goes through EGL; asked for EGL before the driver starts, SDL's X11 driver
    // does not first open GLX, whose renderer stays in the process for nothing (in software, a
    // second copy of the renderer with threads of its own and some 2 MiB).
    SDL_SetHint(SDL_HINT_VIDEO_X11_FORCE_EGL, "1");
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
    // The window only shows pictures composed flat: no depth buffer (SDL asks for 16 bits), which
    // would take two bytes a pixel of the window.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    Uint32 flags = SDL_WINDOW_OPENGL | (options.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
    if (options.resizable) flags |= SDL_WINDOW_RESIZABLE;
    const bool threadsChosen =
        drawOnCallingThreadFor(static_cast<long>(options.widthPx) * options.heightPx);
    window = SDL_CreateWindow(options.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                              options.widthPx, options.heightPx, flags);
    if (threadsChosen) unsetenv(kRasterThreads);
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
    initialState = GLStateSnapshot::take();
    presentation = findPresentation();
    SDL_GL_GetDrawableSize(window, &backBufferWidth, &backBufferHeight);
    keptBackBuffer = presentation == Presentation::WindowFramebuffer ? KeptBackBuffer::SingleBuffer
                                                                     : findKeptBackBuffer();
    return true;
}

void screenClose() {
    keptBackBuffer = KeptBackBuffer::None;
    presentation = Presentation::Swap;
    initialState.reset();
    readBack = {};
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

bool screenIsOpen() {
    return window != nullptr;
}
SDL_Window* screenWindow() {
    return window;
}
void* screenDefaultContext() {
    return defaultContext;
}

void screenRestoreInitialState() {
    if (initialState) initialState->restore();
}

bool screenMakeDefaultCurrent() {
    if (!window || SDL_GL_MakeCurrent(window, defaultContext) != 0) {
        platformLog("cannot make the screen's context current: %s", SDL_GetError());
        return false;
    }
    return true;
}

void screenSetTitle(const char* title) {
    SDL_Window* w = screenWindow();
    if (!w) return;
    SDL_SetWindowTitle(w, title);
    setX11WindowTitle(w, title); // SDL's X11 properties mangle a title beyond ASCII
}

void screenSwap() {
    if (!window) return;
    if (presentation == Presentation::WindowFramebuffer) {
        int width = 0, height = 0;
        SDL_GL_GetDrawableSize(window, &width, &height);
        const ScreenPart whole{0, 0, width, height};
        showThroughFramebuffer(&whole, 1, 0, 0);
        return;
    }
    SDL_GL_SwapWindow(window);
    if (keptBackBuffer == KeptBackBuffer::SingleBuffer) glFinish();
}

bool screenCanShowPart() {
    return window && keptBackBuffer != KeptBackBuffer::None;
}

void screenShowPart(int x, int y, int width, int height) {
    if (!screenCanShowPart() || width <= 0 || height <= 0) return;
    const ScreenPart part{x, y, width, height};
    if (presentation == Presentation::WindowFramebuffer)
        showThroughFramebuffer(&part, 1, 0, 0);
    else
        screenSwap(); // only the part was composed anew; the swap shows the whole back buffer
}

bool screenShowsThroughFramebuffer() {
    return window && presentation == Presentation::WindowFramebuffer;
}

bool screenShowPartsFrom(const ScreenPart* parts, int count, int dx, int dy) {
    return screenShowsThroughFramebuffer() && showThroughFramebuffer(parts, count, dx, dy);
}

bool screenReadWindowFramebuffer(std::vector<std::uint8_t>& rgba, int& width, int& height) {
    width = height = 0;
    SDL_Surface* surface = screenShowsThroughFramebuffer() ? SDL_GetWindowSurface(window) : nullptr;
    if (!surface) return false;
    width = surface->w;
    height = surface->h;
    rgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    return SDL_ConvertPixels(width, height, surface->format->format, surface->pixels,
                             surface->pitch, SDL_PIXELFORMAT_RGBA32, rgba.data(), width * 4) == 0;
}

void screenFollowWindowSize() {
    if (!window || presentation != Presentation::WindowFramebuffer) return;
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
    if (width == backBufferWidth && height == backBufferHeight) return;
    backBufferWidth = width;
    backBufferHeight = height;
    // EGL on X looks at the window's size again after a swap; until then the back buffer keeps
    // the old one, and a picture drawn for the new size would be cut to it.
    SDL_GL_SwapWindow(window);
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
