// The start of the application: the delegate registry, the screen and window icon, and the main
// loop with the pieces it runs (signal watch, event handling, scripted run).
#include "platform/app/Application.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/app/ApplicationParts.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/device/Accelerometer.h"
#include "platform/device/GamePads.h"
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

// A window kept from a larger display, or asked for larger than this one, shrinks to its usable
// area (never below the window's minimum); a window nobody sees keeps its size.
void fitWindowToDisplay(int* width, int* height, int scale) {
    SDL_Rect usable{};
    if (onlyInvisibleVideoDriver() || SDL_GetDisplayUsableBounds(0, &usable) != 0) return;
    const int w =
        std::max(kMinWindowWidth * scale, std::min(*width, usable.w - kFrameAllowanceWidth));
    const int h =
        std::max(kMinWindowHeight * scale, std::min(*height, usable.h - kFrameAllowanceHeight));
    if (w == *width && h == *height) return;
    platformLog("a %dx%d window does not fit the display's usable area of %d x %d pixels: "
                "using %dx%d",
                *width, *height, usable.w, usable.h, w, h);
    *width = w;
    *height = h;
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

// The scale for a window of this many pixels: lowered while the window would be smaller than its
// minimum in points (one log line when the scale was asked for).
int windowScale(int scale, int width, int height, bool asked) {
    int fit = scale;
    while (fit > 1 && (width < kMinWindowWidth * fit || height < kMinWindowHeight * fit))
        --fit;
    if (asked && fit < scale)
        platformLog("--scale %d would leave the %dx%d window below %dx%d points: using %d", scale,
                    width, height, kMinWindowWidth, kMinWindowHeight, fit);
    return fit;
}

// A script's clicks are window points; one outside the window could only miss.
bool clicksInside(const std::vector<ScriptStep>& script, float width, float height) {
    for (const ScriptStep& step : script) {
        if (step.kind != ScriptStep::Kind::Click) continue;
        if (step.point.x < width && step.point.y < height) continue;
        std::fprintf(stderr,
                     "spheron: --click %g,%g lies outside the window of %g x %g points "
                     "(its pixels over --scale)\n",
                     static_cast<double>(step.point.x), static_cast<double>(step.point.y),
                     static_cast<double>(width), static_cast<double>(height));
        return false;
    }
    return true;
}

// A controller's presses go the keys' way as the delegate translates them.
void startGamePads(Application& app) {
    GamePads& pads = GamePads::shared();
    pads.setPressHandler([&app](const PadPress& press) {
        if (!app.delegate()) return;
        if (const std::optional<KeyEvent> key = app.delegate()->applicationKeyForPad(&app, press))
            ApplicationEvents::deliverKey(*key);
    });
    pads.setDriverLostHandler([&app] {
        if (app.delegate()) app.delegate()->applicationPadDisconnected(&app);
        setNeedsCompose();
    });
    pads.start();
}

} // namespace

// ---- Public interface ----

void registerApplicationDelegate(const std::string& name, ApplicationDelegateFactory factory) {
    registry()[name] = factory;
}

bool parseWindowSize(const std::string& text, int* width, int* height) {
    const std::size_t x = text.find('x');
    const auto side = [](const std::string& digits, int least, int* out) {
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const int value = std::stoi(digits);
        if (value < least || value > kMaxWindowSide) return false;
        *out = value;
        return true;
    };
    int w = 0;
    int h = 0;
    if (x == std::string::npos || !side(text.substr(0, x), kMinWindowWidth, &w) ||
        !side(text.substr(x + 1), kMinWindowHeight, &h))
        return false;
    *width = w;
    *height = h;
    return true;
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
    int scale = displayContentScale(options.contentScale);
    ScreenOptions screen;
    screen.title = "Spheron";
    if (options.windowWidth > 0 && options.windowHeight > 0) {
        screen.widthPx = options.windowWidth;
        screen.heightPx = options.windowHeight;
        scale = windowScale(scale, options.windowWidth, options.windowHeight,
                            options.contentScale > 0);
        fitWindowToDisplay(&screen.widthPx, &screen.heightPx, scale);
    } else {
        screen.widthPx = static_cast<int>(kScreenWidth) * scale;
        screen.heightPx = static_cast<int>(kScreenHeight) * scale;
    }
    if (!clicksInside(options.script,
                      static_cast<float>(screen.widthPx) / static_cast<float>(scale),
                      static_cast<float>(screen.heightPx) / static_cast<float>(scale))) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return 2;
    }
    screen.visible = false; // shown once launched, with its views in place
    screen.resizable = true;
    if (!screenOpen(screen)) {
        reportNoDisplay("no OpenGL ES 1.1 window (see the line above)");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return 1;
    }
    SDL_SetWindowMinimumSize(screenWindow(), kMinWindowWidth * scale, kMinWindowHeight * scale);
    setWindowIcon();
    // Text input (and an input method with it) only while a text field edits: the game's keys
    // reach it unchanged otherwise.
    SDL_StopTextInput();
    View::setDefaultContentScale(static_cast<float>(scale));
    windowSetContentScale(static_cast<float>(scale));

    int status = 0;
    {
        SignalWatch signals;
        Application app;
        app.scale_ = scale;
        app.scripted_ = options.isScripted();
        app.openedWidth_ = app.normalWidth_ = screen.widthPx;
        app.openedHeight_ = app.normalHeight_ = screen.heightPx;
        Application::shared_ = &app;
        app.delegate_ = found->second();
        if (!app.delegate_) {
            std::fprintf(stderr, "spheron: cannot create the application delegate\n");
            status = 1;
        } else {
            ApplicationEvents::forgetHeldInput();
            RunLoop::main().setEventHandler(ApplicationEvents::deliverSdlEvent);
            startGamePads(app);
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
            } // a script that a quit ended reports the game as it was, before it resigns
            app.resignActive();
            app.delegate_->applicationWillTerminate(&app);
            RunLoop::main().setEventHandler(nullptr);
            status = app.exitStatus_;
        }
        app.delegate_.reset();
        Application::shared_ = nullptr;
    }
    Accelerometer::sharedAccelerometer().shutdown();
    GamePads::shared().shutdown();
    systemSoundShutdown();
    View::setDefaultContentScale(1.0f);
    windowSetContentScale(1.0f);
    screenClose();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return status;
}

