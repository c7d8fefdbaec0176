// The window stand-in and the view layer's plumbing: neutral touch and key events, responders,
// widgets that draw themselves, hit-testing, and the stacking of the window's views with the GL
// views' layers in the compositor. GL only through UIDrawing; no SDL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Keys.h"
#include "platform/ui/UIDrawing.h"
#include "platform/ui/View.h"

class GLLayer;

// ---- Input, as the run loop hands it over ----

enum class InputType { TouchDown, TouchMove, TouchUp, TouchCancel, KeyDown, TextInput };

struct InputEvent {
    InputType type = InputType::TouchDown;
    Point location;        // window points, origin at the top-left (touches only)
    int touchId = 0;       // tells simultaneous touches apart; the mouse is one touch
    KeyEvent key;          // KeyDown only
    std::string text = {}; // TextInput only: UTF-8, as the system's text input composed it
};

enum class TouchPhase { Began, Moved, Ended, Cancelled };

// One touch as a responder sees it. A touch stays with the view it began in until it ends.
struct Touch {
    TouchPhase phase = TouchPhase::Began;
    Point location;         // window points
    Point previousLocation; // window points; the same as location when it began
    View* view = nullptr;   // the view it began in
    int touchId = 0;

    Point locationInView(const View* v) const;
    Point previousLocationInView(const View* v) const;
};

// A window point in a view's bounds coordinates.
Point convertPointFromWindow(const View* view, Point windowPoint);

// Mixed into a view that takes touches or keys. A view without it passes them to its superview.
class Responder {
public:
    virtual ~Responder() = default;
    virtual void touchesBegan(const Touch& /*touch*/) {}
    virtual void touchesMoved(const Touch& /*touch*/) {}
    virtual void touchesEnded(const Touch& /*touch*/) {}
    virtual void touchesCancelled(const Touch& /*touch*/) {}
    // Keys go to the topmost responder first; true when it took the key.
    virtual bool keyDown(const KeyEvent& /*key*/) { return false; }
    // Typed text (UTF-8) goes the way keys go, while some view asked for text input (a text
    // field being edited); true when it took the text.
    virtual bool textInput(const std::string& /*text*/) { return false; }

    // Off: touches go through the view and its subviews to what lies beneath.
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }

private:
    bool userInteractionEnabled_ = true;
};

// A view drawn by the window: its background colour, then whatever draw() adds.
class Widget : public View, public Responder {
public:
    explicit Widget(const Rect& frame) : View(frame) {}

    Color backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(Color color) { backgroundColor_ = color; }

    // Called while the window composes, in the view's bounds coordinates (points), with the GL
    // state of uiBegin(); `scale` is pixels per point. Must not change the view tree.
    virtual void draw(float scale);
    // Where draw() may draw, in bounds coordinates: the bounds and as far beyond them as a
    // card's shadow reaches, unless a widget that draws in a part of a large frame says where.
    virtual Rect drawingArea() const;
    static constexpr float kShadowReach = 16.0f;

private:
    Color backgroundColor_ = Color::clearColor();
};

// What an event may change in a window's composition: where each shown widget may draw and where
// each shown GL view lies (window points), and the window's own colour beneath them.
struct WindowLook {
    std::vector<Rect> widgetAreas;
    std::vector<Rect> layerFrames;
    Color background;
    bool hidden = true;
};

// The parts of the window that may show differently in `after` than in `before`: every widget's
// area in either, overlapping ones merged into one. False when the whole window may: a GL view
// moved, came or went, or the window's colour or visibility changed. A GL view's own picture is
// not in it: that view shows its changes itself.
bool windowChangedParts(const WindowLook& before, const WindowLook& after,
                        std::vector<Rect>& parts);

// The root view covering the screen, hidden until makeKeyAndVisible(). Its views are drawn in tree
// order (a view, then its subviews in the order added), GL views' layers in their place among them.
class Window : public Widget {
public:
    static std::unique_ptr<Window> initWithFrame(const Rect& frame);
    ~Window() override;

    // Shows the window from the next composition on and makes it the one alerts appear in.
    void makeKeyAndVisible();
    bool isKeyWindow() const { return keyWindow() == this; }
    static Window* keyWindow();

    // The topmost shown view under a window point that takes touches, or nullptr outside.
    View* hitTest(Point windowPoint);

    // Hands an event to its view: a touch to the responder under its first point (or its
    // superview's), later phases to the same one; a key to the topmost responder that takes it.
    // True when some view other than the window took it.
    bool sendEvent(const InputEvent& event);
    // Cancels every touch under way (their responders get touchesCancelled).
    void cancelTouches();
    // Where its widgets may draw and its GL views lie now.
    WindowLook look() const;

private:
    explicit Window(const Rect& frame) : Widget(frame) { setHidden(true); }

    struct TrackedTouch {
        int id;
        View* view;
        Responder* responder;
        Point previous;
    };
    bool contains(const View* view) const;
    void deliver(TrackedTouch tracked, TouchPhase phase, Point location);
    void stackViews(); // before each composition
    void collect(View* view);
    static void collectLook(const View* view, WindowLook& look);
    void drawRun(std::size_t run);
    // Whether a run's widgets may draw into `part` (window points).
    bool runDrawsIn(std::size_t run, const Rect& part) const;

    std::vector<TrackedTouch> touches_;
    int willComposeId_ = 0;
    std::vector<int> runDrawings_;       // one compositor drawing per run of widgets
    std::vector<Widget*> painted_;       // widgets in drawing order
    std::vector<std::size_t> runStarts_; // where each run begins in painted_
    std::vector<GLLayer*> layers_;       // layer k lies between run k and run k + 1
    std::uint64_t runsComposition_ = 0;  // the composition the runs last drew in
    std::size_t runsDrawn_ = 0;          // and how many of them have drawn in it
};
