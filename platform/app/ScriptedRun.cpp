// The scripted run for tests and pictures: its steps in order on the loop's simulated time,
// clicks and keys through SDL's event queue, a virtual controller's buttons through SDL's
// joystick updates, then the picture, the caller's report and the quit.
#include "platform/app/ApplicationParts.h"

#include "platform/app/Application.h"

#include <SDL.h>

#include <cctype>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/device/VirtualPad.h"
#include "platform/gl/GLLayer.h"
#include "platform/gl/Screen.h"
#include "platform/media/PngWriter.h"

namespace {

struct KeyChord {
    SDL_Keycode key = SDLK_UNKNOWN;
    Uint16 mod = KMOD_NONE;
};

bool startsWith(const std::string& text, const char* prefix, std::size_t* at) {
    const std::size_t n = std::char_traits<char>::length(prefix);
    if (text.size() - *at < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[*at + i])) != prefix[i]) return false;
    *at += n;
    return true;
}

bool parseKeyChord(const std::string& name, KeyChord* out) {
    std::size_t at = 0;
    KeyChord chord;
    for (bool more = true; more;) {
        more = false;
        if (startsWith(name, "ctrl+", &at)) {
            chord.mod |= KMOD_LCTRL;
            more = true;
        } else if (startsWith(name, "shift+", &at)) {
            chord.mod |= KMOD_LSHIFT;
            more = true;
        }
    }
    if (at >= name.size()) return false;
    chord.key = SDL_GetKeyFromName(name.c_str() + at);
    // Short names for keys whose SDL names have spaces: kp_0 ... kp_9, kp_enter, and enter.
    std::size_t kp = at;
    if (startsWith(name, "kp_", &kp))
        chord.key = SDL_GetKeyFromName(("Keypad " + name.substr(kp)).c_str());
    else if (startsWith(name, "enter", &kp) && kp == name.size())
        chord.key = SDLK_RETURN;
    if (chord.key == SDLK_UNKNOWN) return false;
    *out = chord;
    return true;
}

} // namespace

bool scriptKeyIsValid(const std::string& name) {
    KeyChord chord;
    return parseKeyChord(name, &chord);
}

bool scriptPadIsValid(const std::string& name) {
    return name == "unplug" || name == "plug" || virtualpad::isControlName(name);
}

struct ScriptedRun::State {
public:
    explicit State(const ApplicationOptions& o) : options_(o) {
        if (!o.isScripted()) return;
        RunLoop::main().setSimulatedTime(true);
        nextAt_ = RunLoop::main().loopTime() + seconds(kFirstStep);
        timer_ = RunLoop::main().scheduleRepeatingTimer(kFrame, [this] { tick(); });
        for (const ScriptStep& step : o.script) {
            if (step.kind != ScriptStep::Kind::Pad || virtualpad::isAttached()) continue;
            // SDL drops a controller's events while no window of ours has the keyboard focus,
            // and a window nobody sees never gets it; the script's keys do not ask for it either.
            SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
            virtualpad::attach(); // before the first step, as a pad the player has at hand
        }
    }
    ~State() {
        virtualpad::detach();
        if (timer_) timer_->invalidate();
        // Ended early (a quit key, a signal): the caller still reports the run's end.
        if (timer_ && !finished_ && options_.scriptEnded) options_.scriptEnded();
        RunLoop::main().setSimulatedTime(false);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

private:
    static constexpr double kFrame = 0.02;
    static constexpr double kFirstStep = 2.0; // the board has dropped in by then
    static constexpr double kStepGap = 0.5;
    // A button is held this long: SDL reads a virtual controller once per pass of the loop, and
    // a press let go before the next read would never be seen.
    static constexpr double kPadHold = 0.1;

    static RunLoop::Clock::duration seconds(double s) {
        return std::chrono::duration_cast<RunLoop::Clock::duration>(
            std::chrono::duration<double>(s));
    }

    void tick() {
        const auto t = RunLoop::main().loopTime();
        if (!heldPad_.empty() && t >= padUpAt_) {
            virtualpad::set(heldPad_, false);
            heldPad_.clear();
        }
        while (t >= nextAt_) {
            if (next_ == options_.script.size()) {
                finish();
                return;
            }
            const ScriptStep& step = options_.script[next_];
            if (step.kind == ScriptStep::Kind::Play) {
                const ScriptAction action = step.play ? step.play() : ScriptAction{};
                if (action.kind == ScriptAction::Kind::Click) click(action.point);
                if (action.kind == ScriptAction::Kind::Key) key(action.key);
                if (action.kind != ScriptAction::Kind::Done) return; // asked again next frame
                advance(0.0);
                continue;
            }
            if (step.kind == ScriptStep::Kind::Click) {
                click(step.point);
                advance(kStepGap);
            } else if (step.kind == ScriptStep::Kind::Key) {
                key(step.key);
                advance(kStepGap);
            } else if (step.kind == ScriptStep::Kind::Pad) {
                pad(step.key);
                advance(kStepGap);
            } else {
                advance(step.seconds);
            }
        }
    }

    void advance(double wait) {
        ++next_;
        if (next_ == options_.script.size()) wait += options_.screenshotDelay;
        nextAt_ = RunLoop::main().loopTime() + seconds(wait);
    }

    void finish() {
        timer_->invalidate();
        finished_ = true;
        int status = 0;
        if (!options_.screenshotPath.empty()) {
            if (options_.beforeScreenshot) options_.beforeScreenshot();
            if (!screenshot(options_.screenshotPath)) status = 1;
        }
        if (options_.scriptEnded) options_.scriptEnded();
        if (Application* app = Application::sharedApplication()) app->terminateWithStatus(status);
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
        // The start checked the point: finite and inside the window.
        const Size points = mainScreenBounds().size;
        e.button.x = static_cast<Sint32>(p.x * static_cast<float>(w) / points.width);
        e.button.y = static_cast<Sint32>(p.y * static_cast<float>(h) / points.height);
        SDL_PushEvent(&e);
        e.type = SDL_MOUSEBUTTONUP;
        e.button.state = SDL_RELEASED;
        SDL_PushEvent(&e);
    }

    static void key(const std::string& name) {
        KeyChord chord;
        if (!parseKeyChord(name, &chord)) {
            platformLog("script: no key '%s'", name.c_str());
            return;
        }
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.windowID = SDL_GetWindowID(screenWindow());
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = chord.key;
        e.key.keysym.scancode = SDL_GetScancodeFromKey(chord.key);
        e.key.keysym.mod = chord.mod;
        SDL_PushEvent(&e);
        e.type = SDL_KEYUP;
        e.key.state = SDL_RELEASED;
        SDL_PushEvent(&e);
    }

    void pad(const std::string& name) {
        if (name == "unplug") {
            virtualpad::detach();
        } else if (name == "plug") {
            virtualpad::attach();
        } else {
            virtualpad::set(name, true);
            heldPad_ = name;
            padUpAt_ = RunLoop::main().loopTime() + seconds(kPadHold);
        }
    }

    static bool screenshot(const std::string& path) {
        std::vector<std::uint8_t> rgba;
        int width = 0;
        int height = 0;
        if (!windowCompose() || !windowReadPixels(rgba, width, height)) {
            platformLog("screenshot: %s: cannot read the window", path.c_str());
            return false;
        }
        for (std::size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255; // the screen is opaque
        if (!writePngFile(path, rgba.data(), width, height)) {
            platformLog("screenshot: %s: cannot be written", path.c_str());
            return false;
        }
        platformLog("screenshot: %s (%dx%d)", path.c_str(), width, height);
        return true;
    }

    ApplicationOptions options_;
    std::size_t next_ = 0;
    bool finished_ = false;
    RunLoop::Clock::time_point nextAt_;
    std::shared_ptr<RunLoopTimer> timer_;
    std::string heldPad_; // the virtual controller's button held down, until padUpAt_
    RunLoop::Clock::time_point padUpAt_;
};

ScriptedRun::ScriptedRun(const ApplicationOptions& options)
    : state_(std::make_unique<State>(options)) {}
ScriptedRun::~ScriptedRun() = default;
