// The hidden scripted run for screenshots: clicks through SDL's queue, then the picture.
#include "platform/app/ApplicationParts.h"

#include <SDL.h>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/GLLayer.h"
#include "platform/gl/Screen.h"
#include "platform/media/PngWriter.h"

struct ScriptedRun::State {
public:
    explicit State(const ApplicationOptions& o) : options_(o) {
        if (o.clicks.empty() && o.screenshotPath.empty()) return;
        start_ = RunLoop::Clock::now();
        timer_ = RunLoop::main().scheduleRepeatingTimer(0.05, [this] { tick(); });
    }
    ~State() {
        if (timer_) timer_->invalidate();
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

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
        if (Application* app = Application::sharedApplication()) app->terminate();
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

ScriptedRun::ScriptedRun(const ApplicationOptions& options)
    : state_(std::make_unique<State>(options)) {}
ScriptedRun::~ScriptedRun() = default;
