// The application stand-in: creates the delegate named at start-up, opens the screen, and runs
// the main loop that turns SDL's window, mouse, finger and key events into the life-cycle
// callbacks, the window's touches and neutral key events. SDL stays in the .cpp.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/base/Geometry.h"
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
    // A key that no view of the key window took; true when it was used.
    virtual bool applicationKeyDown(Application* /*application*/, const KeyEvent& /*key*/) {
        return false;
    }
};

// Delegates are made by name, as a class is looked up by its name.
using ApplicationDelegateFactory = std::unique_ptr<ApplicationDelegate> (*)();
// A later registration under the same name replaces the earlier one.
void registerApplicationDelegate(const std::string& name, ApplicationDelegateFactory factory);

// The phone's screen in points: 320 x 480, and below its 20-point status bar strip the
// application frame (0, 20, 320, 460). The window is this many points times the content scale.
Rect mainScreenBounds();
Rect mainScreenApplicationFrame();

struct ApplicationOptions {
    // Pixels per point; 0 picks the largest whole number up to 3 at which the window fits the
    // display's usable area (at least 1).
    int contentScale = 0;
    // For looking at the game without a player (hidden options of the program): window points
    // clicked with the left mouse button, the first 2 s after the first presented frame (the
    // board has dropped in), then one every half second, through SDL's event queue as a
    // player's clicks would arrive.
    std::vector<Point> clicks;
    // When set: the composed window is saved to this PNG file `screenshotDelay` seconds after
    // the last click (or after the first presented frame), and the application quits.
    std::string screenshotPath;
    double screenshotDelay = 2.5;
    // Writes the line "first frame" to standard output once the window's first frame is
    // presented, for measuring the start-up from outside.
    bool reportFirstFrame = false;
};
void setApplicationOptions(const ApplicationOptions& options);

// The largest whole scale up to 3 at which the 320 x 480-point screen fits a display area of
// this many pixels; at least 1.
int fittingContentScale(int displayWidth, int displayHeight);

class Application {
public:
    // The running application; nullptr outside UIApplicationMain.
    static Application* sharedApplication();

    ApplicationDelegate* delegate() const { return delegate_.get(); }
    bool isActive() const { return active_; }
    // Pixels per point of the window.
    int contentScale() const { return scale_; }

    // Ends the main loop; the delegate then resigns (when active) and terminates. Any thread.
    void terminate();

private:
    friend int UIApplicationMain(int, char**, const char*, const char*);
    friend struct ApplicationEvents;
    Application() = default;
    void becomeActive();
    void resignActive();

    static Application* shared_; // set while UIApplicationMain runs
    std::unique_ptr<ApplicationDelegate> delegate_;
    bool active_ = false;
    int scale_ = 1;
};

// Opens the screen, creates the delegate registered as `delegateClassName`, launches it and runs
// the main loop until the window is closed, Ctrl+Q is pressed, SIGINT or SIGTERM arrives or
// terminate() is called. `principalClassName` must be null (the one application class).
// Returns 0, or 1 after a line on stderr when there is no display, no OpenGL ES 1.1 window or
// no such delegate.
int UIApplicationMain(int argc, char** argv, const char* principalClassName,
                      const char* delegateClassName);
