// The application stand-in: creates the delegate named at start-up, opens the screen, and runs
// the main loop that turns SDL's window, mouse, finger and key events into the life-cycle
// callbacks, the window's touches and neutral key events. SDL stays in the .cpp.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.h"
#include "platform/device/GamePads.h"
#include "platform/ui/Keys.h"

class Application;

// The callbacks, all on the main thread, in the order of life: launched, then active and
// inactive in turn, then terminating (after resigning, when active).
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationDidFinishLaunching(Application* /*application*/) {}
    virtual void applicationDidBecomeActive(Application* /*application*/) {}
    virtual void applicationWillResignActive(Application* /*application*/) {}
    virtual void applicationWillTerminate(Application* /*application*/) {}
    // The window lost the keyboard focus (it stays active: the window still shows).
    virtual void applicationDidLoseFocus(Application* /*application*/) {}
    // The window's size changed (the window manager, maximising, full screen): mainScreenBounds()
    // gives the new one.
    virtual void applicationWindowDidResize(Application* /*application*/) {}
    // A key that no view of the key window took; true when it was used.
    virtual bool applicationKeyDown(Application* /*application*/, const KeyEvent& /*key*/) {
        return false;
    }
    // The mouse moved with no button held, to this window point.
    virtual void applicationMouseMoved(Application* /*application*/, Point /*windowPoint*/) {}
    // A press of the game controller that drives the game: the key it acts as, which then goes
    // the way of a key pressed (the key window's views, then applicationKeyDown); none: ignored.
    virtual std::optional<KeyEvent> applicationKeyForPad(Application* /*application*/,
                                                         const PadPress& /*press*/) {
        return std::nullopt;
    }
    // The controller that drove the game was unplugged.
    virtual void applicationPadDisconnected(Application* /*application*/) {}
};

// Delegates are made by name, as a class is looked up by its name.
using ApplicationDelegateFactory = std::unique_ptr<ApplicationDelegate> (*)();
// A later registration under the same name replaces the earlier one.
void registerApplicationDelegate(const std::string& name, ApplicationDelegateFactory factory);

// The window in points (its pixels over the content scale), origin 0, 0: 320 x 480 unless the
// window was opened at another size or resized. The desktop shows its own clock, so there is no
// status strip and the application frame is the whole window.
Rect mainScreenBounds();
Rect mainScreenApplicationFrame();

// The window's pixels: at least the minimum below (at scale 1; times the scale at others), which
// keeps the bars' buttons and a panel's card in reach, and at most kMaxWindowSide each way.
constexpr int kMinWindowWidth = 320;
constexpr int kMinWindowHeight = 400;
constexpr int kMaxWindowSide = 8192;
// "WxH" in pixels, as `--window` and the stored size take it: two decimal numbers within the
// bounds above. False, changing nothing, for anything else.
bool parseWindowSize(const std::string& text, int* width, int* height);

// What F11 does from the window's state: enter the desktop's full screen, noting in
// `wasMaximised` whether the window was maximised, or leave it and maximise the window again
// when it was, so that it comes back as it left.
struct FullScreenStep {
    bool enter = false;    // else leave
    bool maximise = false; // after leaving
};
FullScreenStep fullScreenStep(bool fullScreen, bool maximised, bool& wasMaximised);

// What a scripted player answers each frame: nothing yet, a click or a key to send, or done.
struct ScriptAction {
    enum class Kind { Wait, Click, Key, Done };
    Kind kind = Kind::Wait;
    Point point;     // Click: window points
    std::string key; // Key: as scriptKeyIsValid() takes it
};

// One step of a scripted run, run in the order given.
struct ScriptStep {
    enum class Kind { Click, Key, Wait, Play, Pad };
    Kind kind = Kind::Wait;
    Point point;          // Click: window points, finite; outside the window: refused at start
    std::string key;      // Key; Pad: as scriptPadIsValid() takes it
    double seconds = 0.0; // Wait
    // Play: asked once a frame until it answers Done; what it answers is sent like the steps.
    std::function<ScriptAction()> play;
};

// An SDL key name (as SDL_GetKeyFromName takes it) with any "ctrl+" and "shift+" prefixes.
bool scriptKeyIsValid(const std::string& name);
// A button of the script's virtual game controller by SDL's name (a, b, x, y, start, back,
// dpup, dpdown, dpleft, dpright, leftshoulder, rightshoulder, ...), lefttrigger or righttrigger
// (a full pull), pressed and let go; or unplug and plug, which take the controller away and
// bring it back. The controller is plugged in as the run starts when the script has any.
bool scriptPadIsValid(const std::string& name);

struct ApplicationOptions {
    // Pixels per point; 0 picks the largest whole number up to 3 at which the window fits the
    // display's usable area (at least 1). A larger one that does not fit is lowered to the
    // largest that does, with one log line.
    int contentScale = 0;
    // The window's size in pixels (within the bounds of parseWindowSize); 0: 320 x 480 points at
    // the content scale. A scale at which this window would be below its minimum is lowered.
    int windowWidth = 0;
    int windowHeight = 0;
    // A scripted run, for tests and pictures: with steps or a screenshot the loop runs on
    // simulated time (frames back to back, 20 ms apart by the game's clock). The steps start
    // 2 s after the first frame; a click or key is sent through SDL's event queue as a player's
    // would arrive, and the next step comes half a second later. `screenshotDelay` seconds after
    // the last step the composed window is saved to `screenshotPath` (when set), `scriptEnded`
    // is called and the application quits: with status 0, or 1 when the picture could not be
    // written.
    std::vector<ScriptStep> script;
    std::string screenshotPath;
    double screenshotDelay = 2.5;
    std::function<void()> scriptEnded;
    // Called just before the picture is taken, for whoever skipped drawing during the run.
    std::function<void()> beforeScreenshot;
    // Writes the line "first frame" to standard output once the window's first frame is
    // presented, for measuring the start-up from outside.
    bool reportFirstFrame = false;

    bool isScripted() const { return !script.empty() || !screenshotPath.empty(); }
};
void setApplicationOptions(const ApplicationOptions& options);

// The largest whole scale up to 3 at which the 320 x 480-point screen fits a display area of
// this many pixels; at least 1.
int fittingContentScale(int displayWidth, int displayHeight);
// The scale for the window: the asked one (0: the largest up to 3), lowered while the window
// with its frame (`frameWidth` x `frameHeight` pixels of decorations) does not fit the display's
// usable area; at least 1.
int fittingWindowScale(int asked, int usableWidth, int usableHeight, int frameWidth,
                       int frameHeight);

class Application {
public:
    // The running application; nullptr outside UIApplicationMain.
    static Application* sharedApplication();

    ApplicationDelegate* delegate() const { return delegate_.get(); }
    bool isActive() const { return active_; }
    // Pixels per point of the window.
    int contentScale() const { return scale_; }
    // A run of script steps (or a screenshot) rather than a player's game.
    bool isScriptedRun() const { return scripted_; }
    // The window's size in pixels as it last was neither maximised nor full screen, when that
    // differs from the size it opened at: the size to open at next time. False in a scripted
    // run, whose window is only ever the asked one.
    bool resizedWindowSize(int* width, int* height) const;

    // Ends the main loop; the delegate then resigns (when active) and terminates. Any thread.
    void terminate();
    // The same, with the status UIApplicationMain returns. Main thread.
    void terminateWithStatus(int status);

private:
    friend int UIApplicationMain(int, char**, const char*, const char*);
    friend struct ApplicationEvents;
    Application() = default;
    void becomeActive();
    void resignActive();
    void windowDidResize(); // after SDL's size change, to the delegate

    static Application* shared_; // set while UIApplicationMain runs
    std::unique_ptr<ApplicationDelegate> delegate_;
    bool active_ = false;
    int scale_ = 1;
    int exitStatus_ = 0;
    bool scripted_ = false;
    int openedWidth_ = 0, openedHeight_ = 0; // pixels
    int normalWidth_ = 0, normalHeight_ = 0; // pixels, neither maximised nor full screen
};

// Opens the screen, creates the delegate registered as `delegateClassName`, launches it and runs
// the main loop until the window is closed, Ctrl+Q is pressed, SIGINT or SIGTERM arrives or
// terminate() is called. `principalClassName` must be null (the one application class).
// Returns 0, or 1 after a line on stderr when there is no display, no OpenGL ES 1.1 window or
// no such delegate, or 2 after one when a script's click lies outside the window.
int UIApplicationMain(int argc, char** argv, const char* principalClassName,
                      const char* delegateClassName);
