// The application stand-in: start-up, the life cycle and the main loop's event handling. Signals
// only write a byte to a pipe; a watcher thread turns that into a quit posted to the main loop.
#include "platform/Application.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <thread>
#include <utility>

#include "platform/Accelerometer.h"
#include "platform/GLLayer.h"
#include "platform/ImageDecoder.h"
#include "platform/Log.h"
#include "platform/PngWriter.h"
#include "platform/Resources.h"
#include "platform/RunLoop.h"
#include "platform/Screen.h"
#include "platform/SystemSound.h"
#include "platform/Text.h"
#include "platform/UIDrawing.h"
#include "platform/Window.h"

namespace {

constexpr float kScreenWidth = 320.0f;
constexpr float kScreenHeight = 480.0f;
constexpr float kStatusBarHeight = 20.0f;
constexpr int kMaxContentScale = 3;
constexpr const char* kIconImage = "icon64x64.png";

std::map<std::string, ApplicationDelegateFactory>& registry() {
    static std::map<std::string, ApplicationDelegateFactory> factories;
    return factories;
}

ApplicationOptions options;
Application* running = nullptr;

// ---- Signals ----

int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t signalCaught = 0;

extern "C" void onTerminationSignal(int signal) {
    // Only async-signal-safe calls here. A second signal finds the default action back in
    // place and ends the process at once, should the orderly quit hang.
    const int savedErrno = errno;
    signalCaught = signal;
    const auto byte = static_cast<unsigned char>(signal);
    if (write(signalPipe[1], &byte, 1) < 0) {
        // The pipe is full or gone: the quit is under way already.
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    errno = savedErrno;
}

// Installs the handlers for SIGINT and SIGTERM for the life of the main loop.
class SignalWatch {
public:
    SignalWatch() {
        if (pipe2(signalPipe, O_CLOEXEC) != 0) {
            platformLog("signals: no pipe (%s); SIGINT and SIGTERM end the game unsaved",
                        std::strerror(errno));
            return;
        }
        fcntl(signalPipe[1], F_SETFL, fcntl(signalPipe[1], F_GETFL) | O_NONBLOCK);
        signalCaught = 0;
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
        installed_ = true;
        watcher_ = std::thread([] { watch(); });
    }

    ~SignalWatch() {
        if (!installed_) return;
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
        const unsigned char stop = 0;
        if (write(signalPipe[1], &stop, 1) < 0) {
            // Cannot happen with an empty pipe; the close below ends the watcher anyway.
        }
        watcher_.join();
        close(signalPipe[0]);
        close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }

    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

private:
    static void watch() {
        for (;;) {
            unsigned char byte = 0;
            const ssize_t n = read(signalPipe[0], &byte, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || byte == 0) return;
            const int signal = byte;
            RunLoop::main().post([signal] {
                platformLog("%s: quitting", signal == SIGINT ? "SIGINT" : "SIGTERM");
                RunLoop::main().quit();
            });
        }
    }

    bool installed_ = false;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
    std::thread watcher_;
};

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
bool onlyInvisibleVideo() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (!driver || (asked && *asked)) return false;
    return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

int displayContentScale() {
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
    return fittingContentScale(usable.w, usable.h);
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

// SDL window coordinates to window points.
Point windowPoint(float x, float y) {
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(screenWindow(), &w, &h);
    if (w <= 0 || h <= 0) return {x, y};
    return {x * kScreenWidth / static_cast<float>(w), y * kScreenHeight / static_cast<float>(h)};
}

// One composition for everything the views changed in this pass of the loop.
bool composePending = false;
void setNeedsCompose() {
    if (composePending) return;
    composePending = true;
    RunLoop::main().post([] {
        composePending = false;
        if (screenIsOpen()) windowPresent();
    });
}

// The status bar strip above the application frame: black, with the time of day in the middle,
// as the phone shows it. Drawn above the window's views, like the phone's own status bar, and
// recomposed only when the minute changes.
class StatusBar {
public:
    StatusBar() {
        drawing_ = windowAddDrawing(kOnTop, [this] { draw(); });
        timer_ = RunLoop::main().scheduleRepeatingTimer(1.0, [this] {
            if (minuteOfDay() != shownMinute_) setNeedsCompose();
        });
    }
    ~StatusBar() {
        windowRemoveDrawing(drawing_);
        timer_->invalidate();
    }
    StatusBar(const StatusBar&) = delete;
    StatusBar& operator=(const StatusBar&) = delete;

private:
    static constexpr float kOnTop = 1.0e6f;

    static int minuteOfDay() {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return local.tm_hour * 60 + local.tm_min;
    }

    void draw() {
        shownMinute_ = minuteOfDay();
        char text[24];
        std::snprintf(text, sizeof text, "%d:%02d", shownMinute_ / 60, shownMinute_ % 60);
        const float scale = windowContentScale();
        uiBegin();
        const Rect strip{{0.0f, 0.0f}, {kScreenWidth, kStatusBarHeight}};
        uiFillRect(strip, Gradient::vertical(Color::colorWithRed(0.16f, 0.16f, 0.17f, 1.0f),
                                             Color::blackColor()));
        drawText(text, {kScreenWidth * 0.5f, kStatusBarHeight * 0.5f}, 12.0f, FontWeight::Bold,
                 Color::whiteColor(), scale, TextAnchor::Centre);
        uiEnd();
    }

    int drawing_ = 0;
    int shownMinute_ = -1;
    std::shared_ptr<RunLoopTimer> timer_;
};

KeyCode keyCodeOf(SDL_Keycode key) {
    switch (key) {
    case SDLK_ESCAPE:
        return KeyCode::Escape;
    case SDLK_LEFT:
        return KeyCode::Left;
    case SDLK_RIGHT:
        return KeyCode::Right;
    case SDLK_UP:
        return KeyCode::Up;
    case SDLK_DOWN:
        return KeyCode::Down;
    case SDLK_F1:
        return KeyCode::F1;
    case SDLK_F2:
        return KeyCode::F2;
    case SDLK_n:
        return KeyCode::N;
    case SDLK_q:
        return KeyCode::Q;
    default:
        return KeyCode::Other;
    }
}

} // namespace

// ---- Event handling on the main loop ----

struct ApplicationEvents {
    static inline bool mouseDown = false;
    // SDL's finger ids, and the touch ids the window knows them by (the mouse is touch 0).
    static inline std::vector<std::pair<SDL_FingerID, int>> fingers;
    static inline int nextFingerTouch = 1;

    static void sendTouch(InputType type, Point location, int touchId) {
        Window* window = Window::keyWindow();
        if (!window) return;
        InputEvent event;
        event.type = type;
        event.location = location;
        event.touchId = touchId;
        window->sendEvent(event);
        setNeedsCompose(); // a button may show its pressed state, or an alert may have gone
    }

    static void finger(const SDL_TouchFingerEvent& e) {
        if (e.touchId == SDL_MOUSE_TOUCHID) return; // the mouse, reported as a finger
        // Finger positions are normalised to the window.
        const Point p{e.x * kScreenWidth, e.y * kScreenHeight};
        auto known = std::find_if(fingers.begin(), fingers.end(),
                                  [&](const auto& f) { return f.first == e.fingerId; });
        if (e.type == SDL_FINGERDOWN) {
            if (known != fingers.end()) fingers.erase(known); // a lost lift
            fingers.emplace_back(e.fingerId, nextFingerTouch);
            sendTouch(InputType::TouchDown, p, nextFingerTouch);
            nextFingerTouch = nextFingerTouch == 1'000'000 ? 1 : nextFingerTouch + 1;
            return;
        }
        if (known == fingers.end()) return;
        const int id = known->second;
        if (e.type == SDL_FINGERMOTION) {
            sendTouch(InputType::TouchMove, p, id);
        } else {
            fingers.erase(known);
            sendTouch(InputType::TouchUp, p, id);
        }
    }

    static void key(const SDL_KeyboardEvent& e) {
        Application* app = running;
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
        bool taken = false;
        if (Window* window = Window::keyWindow()) {
            InputEvent event;
            event.type = InputType::KeyDown;
            event.key = k.code == KeyCode::Escape ? Key::Escape : Key::Other;
            taken = window->sendEvent(event);
        }
        if (!taken && app && app->delegate()) taken = app->delegate()->applicationKeyDown(app, k);
        if (taken) setNeedsCompose();
    }

    static void window(const SDL_WindowEvent& e) {
        Application* app = running;
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
            // Still active, as an uncovered phone screen is; but a held press is lost.
            mouseDown = false;
            if (Window* w = Window::keyWindow()) w->cancelTouches();
            setNeedsCompose();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            setNeedsCompose();
            break;
        case SDL_WINDOWEVENT_CLOSE:
            app->terminate();
            break;
        default:
            break;
        }
    }

    static void handle(const SDL_Event& e) {
        switch (e.type) {
        case SDL_QUIT:
            if (running) running->terminate();
            break;
        case SDL_WINDOWEVENT:
            window(e.window);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button != SDL_BUTTON_LEFT || e.button.which == SDL_TOUCH_MOUSEID) break;
            mouseDown = true;
            sendTouch(InputType::TouchDown,
                      windowPoint(static_cast<float>(e.button.x), static_cast<float>(e.button.y)),
                      0);
            break;
        case SDL_MOUSEMOTION:
            if (!mouseDown || e.motion.which == SDL_TOUCH_MOUSEID) break;
            sendTouch(InputType::TouchMove,
                      windowPoint(static_cast<float>(e.motion.x), static_cast<float>(e.motion.y)),
                      0);
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button != SDL_BUTTON_LEFT || e.button.which == SDL_TOUCH_MOUSEID ||
                !mouseDown)
                break;
            mouseDown = false;
            sendTouch(InputType::TouchUp,
                      windowPoint(static_cast<float>(e.button.x), static_cast<float>(e.button.y)),
                      0);
            break;
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP:
            finger(e.tfinger);
            break;
        case SDL_KEYDOWN:
            key(e.key);
            break;
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED:
            Accelerometer::sharedAccelerometer().devicesChanged();
            break;
        default:
            break;
        }
    }

    static void reset() {
        mouseDown = false;
        fingers.clear();
    }
};

namespace {

// The hidden scripted run for screenshots: clicks through SDL's queue, then the picture.
class Script {
public:
    explicit Script(const ApplicationOptions& o) : options_(o) {
        if (o.clicks.empty() && o.screenshotPath.empty()) return;
        start_ = RunLoop::Clock::now();
        timer_ = RunLoop::main().scheduleRepeatingTimer(0.05, [this] { tick(); });
    }
    ~Script() {
        if (timer_) timer_->invalidate();
    }
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

private:
    static constexpr double kFirstClick = 2.0; // the board has dropped in by then
    static constexpr double kClickGap = 0.5;

    void tick() {
        const double t = std::chrono::duration<double>(RunLoop::Clock::now() - start_).count();
        while (nextClick_ < options_.clicks.size() &&
               t >= kFirstClick + kClickGap * static_cast<double>(nextClick_))
            click(options_.clicks[nextClick_++]);
        const double lastClick =
            options_.clicks.empty()
                ? 0.0
                : kFirstClick + kClickGap * static_cast<double>(options_.clicks.size() - 1);
        if (nextClick_ < options_.clicks.size() || t < lastClick + options_.screenshotDelay) return;
        timer_->invalidate();
        if (options_.screenshotPath.empty()) return; // clicks only: play on
        screenshot(options_.screenshotPath);
        if (running) running->terminate();
    }

    static void click(Point p) {
        int w = 0;
        int h = 0;
        SDL_GetWindowSize(screenWindow(), &w, &h);
        SDL_Event e{};
        e.type = SDL_MOUSEBUTTONDOWN;
        e.button.windowID = SDL_GetWindowID(screenWindow());
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = SDL_PRESSED;
        e.button.clicks = 1;
        e.button.x = static_cast<Sint32>(p.x * static_cast<float>(w) / kScreenWidth);
        e.button.y = static_cast<Sint32>(p.y * static_cast<float>(h) / kScreenHeight);
        SDL_PushEvent(&e);
        e.type = SDL_MOUSEBUTTONUP;
        e.button.state = SDL_RELEASED;
        SDL_PushEvent(&e);
    }

    static void screenshot(const std::string& path) {
        std::vector<std::uint8_t> rgba;
        int width = 0;
        int height = 0;
        if (!windowCompose() || !windowReadPixels(rgba, width, height)) {
            platformLog("screenshot: cannot read the window");
            return;
        }
        for (std::size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255; // the screen is opaque
        if (writePngFile(path, rgba.data(), width, height))
            platformLog("screenshot: %s (%dx%d)", path.c_str(), width, height);
    }

    ApplicationOptions options_;
    RunLoop::Clock::time_point start_;
    std::size_t nextClick_ = 0;
    std::shared_ptr<RunLoopTimer> timer_;
};

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

int fittingContentScale(int displayWidth, int displayHeight) {
    int scale = 1;
    for (int s = 2; s <= kMaxContentScale; ++s)
        if (static_cast<float>(s) * kScreenWidth <= static_cast<float>(displayWidth) &&
            static_cast<float>(s) * kScreenHeight <= static_cast<float>(displayHeight))
            scale = s;
    return scale;
}

Application* Application::sharedApplication() {
    return running;
}

void Application::terminate() {
    RunLoop::main().quit();
}

void Application::becomeActive() {
    if (active_) return;
    active_ = true;
    if (delegate_) delegate_->applicationDidBecomeActive(this);
    setNeedsCompose();
}

void Application::resignActive() {
    if (!active_) return;
    active_ = false;
    if (delegate_) delegate_->applicationWillResignActive(this);
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
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        reportNoDisplay(SDL_GetError());
        return 1;
    }
    if (onlyInvisibleVideo()) {
        reportNoDisplay("no display (neither DISPLAY nor WAYLAND_DISPLAY leads to one)");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return 1;
    }
    const int scale = options.contentScale > 0 ? options.contentScale : displayContentScale();
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
        running = &app;
        app.delegate_ = found->second();
        if (!app.delegate_) {
            std::fprintf(stderr, "spheron: cannot create the application delegate\n");
            status = 1;
        } else {
            ApplicationEvents::reset();
            RunLoop::main().setEventHandler(ApplicationEvents::handle);
            StatusBar statusBar;
            app.delegate_->applicationDidFinishLaunching(&app);
            SDL_ShowWindow(screenWindow());
            windowPresent();
            if (options.reportFirstFrame) {
                std::fputs("first frame\n", stdout);
                std::fflush(stdout);
            }
            app.becomeActive();
            {
                Script script(options);
                RunLoop::main().run();
            }
            app.resignActive();
            app.delegate_->applicationWillTerminate(&app);
            RunLoop::main().setEventHandler(nullptr);
        }
        app.delegate_.reset();
        running = nullptr;
    }
    Accelerometer::sharedAccelerometer().shutdown();
    systemSoundShutdown();
    View::setDefaultContentScale(1.0f);
    windowSetContentScale(1.0f);
    screenClose();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return status;
}
