// The application stand-in run for real: the screen, the main loop, SDL's events, signals and
// quits, with a recording delegate, and once with the game's own delegate for the window's size.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes/AppDelegate.h"
#include "Classes/PuzzleView.h"
#include "desktop/panels/GameOverlays.h"
#include "desktop/record/Settings.h"
#include "model/Puzzle.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/GLLayer.h"
#include "platform/gl/Screen.h"
#include "platform/store/UserDefaults.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Bars.h"
#include "platform/ui/Button.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/Window.h"
#include "sim/Boards.h"
#include "support/Views.h"

using namespace std::chrono_literals;

namespace {

std::vector<std::string> lifeEvents;
std::vector<KeyEvent> keysSeen;
int buttonTaps = 0;

// A delegate that records its callbacks and shows one button at (100, 200, 80, 40).
class Recorder : public ApplicationDelegate {
public:
    void applicationDidFinishLaunching(Application* application) override {
        lifeEvents.push_back("launch");
        EXPECT_EQ(Application::sharedApplication(), application);
        window = Window::initWithFrame(mainScreenBounds());
        button = Button::buttonWithType(kButtonTypeRoundedRect);
        button->setFrame({{100, 200}, {80, 40}});
        button->addTarget([](Button*) { ++buttonTaps; }, kControlEventTouchUpInside);
        window->addSubview(button.get());
        window->makeKeyAndVisible();
    }
    void applicationDidBecomeActive(Application*) override { lifeEvents.push_back("active"); }
    void applicationWillResignActive(Application*) override { lifeEvents.push_back("inactive"); }
    void applicationWillTerminate(Application*) override { lifeEvents.push_back("terminate"); }
    bool applicationKeyDown(Application*, const KeyEvent& k) override {
        keysSeen.push_back(k);
        return true;
    }
    std::unique_ptr<Window> window;
    std::unique_ptr<Button> button;
};

// Steps run one per pass of the main loop, so that the SDL events a step pushes are delivered
// before the next step runs.
std::vector<std::function<void()>> steps;

void runSteps(std::size_t i = 0) {
    if (i >= steps.size()) return;
    RunLoop::main().post([i] {
        steps[i]();
        runSteps(i + 1);
    });
}

// An SDL event of `type` for the game's window, filled in by `fill`.
template <typename Fill> void push(Uint32 type, Fill fill) {
    SDL_Event e{};
    e.type = type;
    e.window.windowID = SDL_GetWindowID(screenWindow()); // where mouse and key events keep it
    fill(e);
    SDL_PushEvent(&e);
}

void pushMouse(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT, Uint32 which = 0) {
    push(type, [&](SDL_Event& e) {
        if (type == SDL_MOUSEMOTION) {
            e.motion.which = which;
            e.motion.state = SDL_BUTTON_LMASK;
            e.motion.x = x;
            e.motion.y = y;
            return;
        }
        e.button.which = which;
        e.button.button = button;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
    });
}

void pushClick(int x, int y, Uint8 button = SDL_BUTTON_LEFT, Uint32 which = 0) {
    pushMouse(SDL_MOUSEBUTTONDOWN, x, y, button, which);
    pushMouse(SDL_MOUSEBUTTONUP, x, y, button, which);
}

// (The keys' conversion is the end-to-end run's, whose script sends SDL's key events.)
void pushKey(SDL_Keycode sym, Uint16 mod) {
    push(SDL_KEYDOWN, [&](SDL_Event& e) {
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
    });
}

void pushWindowEvent(Uint8 event) {
    push(SDL_WINDOWEVENT, [&](SDL_Event& e) { e.window.event = event; });
}

using Events = std::vector<std::string>;

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        lifeEvents.clear();
        keysSeen.clear();
        buttonTaps = 0;
        steps.clear();
        registerApplicationDelegate("Recorder", [] {
            return std::unique_ptr<ApplicationDelegate>(std::make_unique<Recorder>());
        });
        ApplicationOptions options;
        options.contentScale = 1;
        setApplicationOptions(options);
    }
    void TearDown() override { setApplicationOptions({}); }

    int run() {
        runSteps();
        const int status = UIApplicationMain(0, nullptr, nullptr, "Recorder");
        EXPECT_EQ(Application::sharedApplication(), nullptr);
        return status;
    }
};

TEST_F(ApplicationTest, APostedQuitSigtermOrSigintRunsTheFourCallbacksInOrder) {
    struct sigaction previous {};
    sigaction(SIGTERM, nullptr, &previous);
    for (int signal : {0, SIGTERM, SIGINT}) {
        lifeEvents.clear();
        steps = {[signal] {
            EXPECT_TRUE(Application::sharedApplication()->isActive() && screenIsOpen());
            if (signal)
                std::raise(signal); // ends the run in order instead of killing the process
            else
                RunLoop::main().quit();
        }};
        EXPECT_EQ(run(), 0) << signal;
        EXPECT_EQ(lifeEvents, (Events{"launch", "active", "inactive", "terminate"}));
        EXPECT_FALSE(screenIsOpen());
    }
    // The handlers are gone with the run: the previous disposition is back.
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, previous.sa_handler);
}

TEST_F(ApplicationTest, MinimisingResignsRestoringReactivatesFocusLossKeepsItActive) {
    steps = {
        [] { pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST); },
        [] {
            EXPECT_EQ(lifeEvents, (Events{"launch", "active"}));
            pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
        },
        [] {
            EXPECT_FALSE(Application::sharedApplication()->isActive());
            pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
        },
        [] { pushWindowEvent(SDL_WINDOWEVENT_CLOSE); },
    };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(lifeEvents,
              (Events{"launch", "active", "inactive", "active", "inactive", "terminate"}));
}

TEST_F(ApplicationTest, MouseAndFingerTouchesReachTheViewUnderThemAtScaleTwo) {
    ApplicationOptions options;
    options.contentScale = 2;
    setApplicationOptions(options);
    // The button covers window points (100...180, 200...240), pixels (200...360, 400...480).
    steps = {
        [] {
            int w = 0, h = 0;
            screenDrawableSize(&w, &h);
            EXPECT_TRUE(w == 640 && h == 960);
            pushClick(280, 440);
            pushClick(140, 220);                      // points (70, 110): outside
            pushMouse(SDL_MOUSEBUTTONDOWN, 280, 440); // pressed inside,
            pushMouse(SDL_MOUSEMOTION, 600, 900);     // dragged out
            pushMouse(SDL_MOUSEBUTTONUP, 600, 900);   // and let go outside
            pushClick(280, 440, SDL_BUTTON_RIGHT);
            for (Uint32 type : {SDL_FINGERDOWN, SDL_FINGERUP})
                push(type, [](SDL_Event& e) {
                    e.tfinger.touchId = 1;
                    e.tfinger.fingerId = 7;
                    e.tfinger.x = 140.0f / 320.0f; // normalised to the window
                    e.tfinger.y = 220.0f / 480.0f;
                    e.tfinger.windowID = SDL_GetWindowID(screenWindow());
                });
            // SDL's copy of a finger as a mouse click is not a second touch.
            pushClick(280, 440, SDL_BUTTON_LEFT, SDL_TOUCH_MOUSEID);
        },
        [] {
            EXPECT_EQ(buttonTaps, 2);
            RunLoop::main().quit();
        },
    };
    EXPECT_EQ(run(), 0);
}

// The window as a whole composition gives it, against what it holds now.
bool windowIsAsComposedWhole() {
    std::vector<std::uint8_t> shown, whole;
    int w = 0, h = 0;
    if (!windowReadPixels(shown, w, h) || !windowCompose() || !windowReadPixels(whole, w, h))
        return false;
    return shown == whole;
}

TEST_F(ApplicationTest, ATouchComposesOnlyWhereWidgetsDrewOrDrawAndShowsWhatAWholeWindowWould) {
    // A red panel at (20, 40, 100, 60) that the button at (100, 200, 80, 40) takes away.
    static std::unique_ptr<Widget> panel;
    steps = {
        [] {
            auto* recorder = static_cast<Recorder*>(Application::sharedApplication()->delegate());
            panel = std::make_unique<Widget>(Rect{{20.0f, 40.0f}, {100.0f, 60.0f}});
            panel->setBackgroundColor(Color::colorWithRed(0.9f, 0.1f, 0.1f, 1.0f));
            recorder->window->addSubview(panel.get());
            recorder->button->addTarget([](Button*) { panel->setHidden(true); },
                                        kControlEventTouchUpInside);
            ASSERT_TRUE(windowPresent());
            pushMouse(SDL_MOUSEBUTTONDOWN, 140, 220);
        },
        [] {},
        [] {
            // The press shows on the button; the panel's part is composed too, unchanged.
            const WindowComposition c = windowLastComposition();
            EXPECT_TRUE(c.width < 320 || c.height < 480) << c.width << "x" << c.height;
            EXPECT_TRUE(windowIsAsComposedWhole());
            pushMouse(SDL_MOUSEBUTTONUP, 140, 220);
        },
        [] {},
        [] {
            EXPECT_EQ(buttonTaps, 1);
            EXPECT_TRUE(panel->isHidden());
            const WindowComposition c = windowLastComposition();
            EXPECT_TRUE(c.width < 320 || c.height < 480) << c.width << "x" << c.height;
            // Where the panel was, the window's own black shows again.
            std::vector<std::uint8_t> rgba;
            int w = 0, h = 0;
            ASSERT_TRUE(windowReadPixels(rgba, w, h));
            EXPECT_LT(rgba[(70u * static_cast<unsigned>(w) + 70u) * 4u], 50);
            EXPECT_TRUE(windowIsAsComposedWhole());
            panel.reset();
            RunLoop::main().quit();
        },
    };
    EXPECT_EQ(run(), 0);
}

TEST_F(ApplicationTest, CtrlQQuitsWithoutReachingTheDelegate) {
    steps = {[] { pushKey(SDLK_q, KMOD_RCTRL); }};
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(keysSeen.empty());
    EXPECT_EQ(lifeEvents.back(), "terminate");
}

UserDefaults* gameStore = nullptr;

TEST_F(ApplicationTest, TheSizeTheWindowSystemGaveTheWindowIsKeptForTheNextStart) {
    ScratchDir dir;
    UserDefaults store((dir / "preferences.plist").string());
    gameStore = &store;
    registerApplicationDelegate("Game", [] {
        return std::unique_ptr<ApplicationDelegate>(
            std::make_unique<AppDelegate>(*gameStore, settingsFilePath()));
    });
    steps = {[] { SDL_SetWindowSize(screenWindow(), 700, 800); },
             [] {
                 EXPECT_EQ(mainScreenBounds().size.width, 700.0f);
                 RunLoop::main().quit();
             }};
    runSteps();
    EXPECT_EQ(UIApplicationMain(0, nullptr, nullptr, "Game"), 0);
    EXPECT_EQ(UserDefaults((dir / "preferences.plist").string()).stringForKey(kWindowSize),
              "700x800");
}

TEST_F(ApplicationTest, AnUnknownDelegateNameStartsNothing) {
    EXPECT_EQ(UIApplicationMain(0, nullptr, nullptr, "NoSuchDelegate"), 1);
    EXPECT_EQ(UIApplicationMain(0, nullptr, "NoSuchApplication", "Recorder"), 1);
    EXPECT_TRUE(lifeEvents.empty());
    EXPECT_FALSE(screenIsOpen());
}

} // namespace
