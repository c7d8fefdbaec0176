// The start of the application: the delegate registry, the screen and window icon, and the main
// loop with the pieces it runs (signal watch, status bar, event handling, scripted run).
#include "platform/app/Application.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/app/ApplicationParts.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/device/Accelerometer.h"
#include "platform/gl/GLLayer.h"
#include "platform/gl/Screen.h"
#include "platform/media/ImageDecoder.h"
#include "platform/media/Resources.h"
#include "platform/media/SystemSound.h"
#include "platform/ui/View.h"

namespace {

constexpr int kMaxContentScale = 3;
constexpr const char* kIconImage = "icon64x64.png";

std::map<std::string, ApplicationDelegateFactory>& registry() {
    static std::map<std::string, ApplicationDelegateFactory> factories;
    return factories;
}

ApplicationOptions options;

// ---- Screen and window ----

void reportNoDisplay(const char* why) {
    std::fprintf(stderr,
                 "spheron: cannot open the game window: %s\n"
                 "spheron: it needs a graphical desktop; without one, run it on a virtual "
                 "display: xvfb-run -a spheron\n",
                 why);
}

// SDL falls back to its offscreen driver when no display answers: a window nobody sees. Only
// take that when it was asked for by name (tests, screenshots).
bool onlyInvisibleVideoDriver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

bool onlyInvisibleVideo() {
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (asked && *asked) return false;
    return onlyInvisibleVideoDriver();
}

// Room for the window manager's frame, which SDL can only measure once the window is mapped:
// a title bar and thin borders as desktops draw them.
constexpr int kFrameAllowanceWidth = 8;
constexpr int kFrameAllowanceHeight = 40;

int displayContentScale(int asked) {
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return asked > 0 ? asked : 1;
    // A window nobody sees has no screen to stay on: it keeps the scale asked for.
    if (onlyInvisibleVideoDriver())
        return asked > 0 ? asked : fittingContentScale(usable.w, usable.h);
    const int scale = fittingWindowScale(asked, usable.w, usable.h, kFrameAllowanceWidth,
                                         kFrameAllowanceHeight);
    if (asked > 0 && scale < asked)
        platformLog("--scale %d does not fit the display's usable area of %d x %d pixels: "
                    "using %d",
                    asked, usable.w, usable.h, scale);
    return scale;
}

// The icon from one of the game's bubbles; the decoder gives premultiplied pixels, SDL wants
// straight alpha.
void setWindowIcon() {
    std::string why;
    const std::string path = resourcePath(kIconImage, &why);
    if (path.empty()) {
        platformLog("no window icon: %s: %s", kIconImage, why.c_str());
        return;
    }
    DecodedImage image = decodePngFile(path);
    if (image.empty()) return; // logged
    unsigned char* p = image.pixels.get();
    for (std::size_t i = 0; i < image.byteCount(); i += 4) {
        const unsigned a = p[i + 3];
        if (a == 0 || a == 255) continue;
        for (std::size_t c = 0; c < 3; ++c)
            p[i + c] = static_cast<unsigned char>(std::min(255u, (p[i + c] * 255u + a / 2) / a));
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        p, image.width, image.height, 32, image.width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface) {
        platformLog("no window icon: %s", SDL_GetError());
        return;
    }
    SDL_SetWindowIcon(screenWindow(), surface); // copies the pixels
    SDL_FreeSurface(surface);
}


} // namespace

// ---- Public interface ----

void registerApplicationDelegate(const std::string& name, ApplicationDelegateFactory factory) {
    registry()[name] = factory;
}

Rect mainScreenBounds() {
    return {{0.0f, 0.0f}, {kScreenWidth, kScreenHeight}};
}

Rect mainScreenApplicationFrame() {
    return {{0.0f, kStatusBarHeight}, {kScreenWidth, kScreenHeight - kStatusBarHeight}};
}

void setApplicationOptions(const ApplicationOptions& o) {
    options = o;
}

int fittingWindowScale(int asked, int usableWidth, int usableHeight, int frameWidth,
                       int frameHeight) {
    int scale = asked > 0 ? asked : kMaxContentScale;
    while (scale > 1 && (static_cast<float>(scale) * kScreenWidth +
                                 static_cast<float>(frameWidth) >
                             static_cast<float>(usableWidth) ||
                         static_cast<float>(scale) * kScreenHeight +
                                 static_cast<float>(frameHeight) >
                             static_cast<float>(usableHeight)))
        --scale;
    return scale;
}

int fittingContentScale(int displayWidth, int displayHeight) {
    return fittingWindowScale(0, displayWidth, displayHeight, 0, 0);
}

int UIApplicationMain(int /*argc*/, char** /*argv*/, const char* principalClassName,
                      const char* delegateClassName) {
    if (principalClassName) {
        std::fprintf(stderr, "spheron: no application class \"%s\"\n", principalClassName);
        return 1;
    }
    const auto found = registry().find(delegateClassName ? delegateClassName : "");
    if (found == registry().end() || !found->second) {
        std::fprintf(stderr, "spheron: no application delegate \"%s\"\n",
                     delegateClassName ? delegateClassName : "");
        return 1;
    }
    // Signals are ours (below); a touch is never also a mouse click, nor the other way round.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
    if (!screenStartVideo()) {
        reportNoDisplay(SDL_GetError());
        return 1;
    }
    if (onlyInvisibleVideo()) {
        reportNoDisplay("no display (neither DISPLAY nor WAYLAND_DISPLAY leads to one)");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return 1;
    }
    const int scale = displayContentScale(options.contentScale);
    ScreenOptions screen;
    screen.title = "Spheron";
    screen.widthPx = static_cast<int>(kScreenWidth) * scale;
    screen.heightPx = static_cast<int>(kScreenHeight) * scale;
    screen.visible = false; // shown once launched, with its views in place
    if (!screenOpen(screen)) {
        reportNoDisplay("no OpenGL ES 1.1 window (see the line above)");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return 1;
    }
    setWindowIcon();
    View::setDefaultContentScale(static_cast<float>(scale));
    windowSetContentScale(static_cast<float>(scale));

    int status = 0;
    {
        SignalWatch signals;
        Application app;
        app.scale_ = scale;
        Application::shared_ = &app;
        app.delegate_ = found->second();
        if (!app.delegate_) {
            std::fprintf(stderr, "spheron: cannot create the application delegate\n");
            status = 1;
        } else {
            ApplicationEvents::forgetHeldInput();
            RunLoop::main().setEventHandler(ApplicationEvents::deliverSdlEvent);
            StatusBar statusBar;
            app.delegate_->applicationDidFinishLaunching(&app);
            SDL_ShowWindow(screenWindow());
            windowPresent();
            if (options.reportFirstFrame) {
                std::fputs("first frame\n", stdout);
                std::fflush(stdout);
            }
            {
                // Before the frame timer starts, so that it runs on the script's clock too.
                ScriptedRun script(options);
                app.becomeActive();
                RunLoop::main().run();
                app.resignActive();
            }
            app.delegate_->applicationWillTerminate(&app);
            RunLoop::main().setEventHandler(nullptr);
            status = app.exitStatus_;
        }
        app.delegate_.reset();
        Application::shared_ = nullptr;
    }
    Accelerometer::sharedAccelerometer().shutdown();
    systemSoundShutdown();
    View::setDefaultContentScale(1.0f);
    windowSetContentScale(1.0f);
    screenClose();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return status;
}

