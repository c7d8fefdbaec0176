// The window: touch and key delivery, hit-testing, and drawing the view tree through the
// compositor. Before each composition the tree is walked once; runs of widgets become compositor
// drawings and GL layers get the z-positions between them, so both stack in tree order.
#include "platform/ui/Window.h"

#include <GLES/gl.h>

#include <algorithm>

#include "platform/gl/GLLayer.h"
#include "platform/gl/Screen.h"
#include "platform/ui/Text.h"

namespace {

Window* theKeyWindow = nullptr;

bool rectContains(const Rect& r, Point p) {
    return p.x >= r.origin.x && p.x < r.origin.x + r.size.width && p.y >= r.origin.y &&
           p.y < r.origin.y + r.size.height;
}

Rect windowRectOf(const View* view) {
    return view->convertRectToWindow(view->bounds());
}

View* hitTestIn(View* view, Point p) {
    if (view->isHidden()) return nullptr;
    if (const auto* responder = dynamic_cast<const Responder*>(view);
        responder && !responder->isUserInteractionEnabled())
        return nullptr;
    if (!rectContains(windowRectOf(view), p)) return nullptr;
    const auto& subviews = view->subviews();
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
        if (View* hit = hitTestIn(*it, p)) return hit;
    return view;
}

bool treeContains(const View* root, const View* view) {
    if (root == view) return true;
    for (const View* child : root->subviews())
        if (treeContains(child, view)) return true;
    return false;
}

// Responders in reverse drawing order: the topmost first.
void collectResponders(View* view, std::vector<Responder*>& out) {
    if (view->isHidden()) return;
    const auto& subviews = view->subviews();
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
        collectResponders(*it, out);
    if (auto* responder = dynamic_cast<Responder*>(view)) out.push_back(responder);
}

} // namespace

Point convertPointFromWindow(const View* view, Point windowPoint) {
    const Rect r = windowRectOf(view);
    return {windowPoint.x - r.origin.x + view->bounds().origin.x,
            windowPoint.y - r.origin.y + view->bounds().origin.y};
}

Point Touch::locationInView(const View* v) const {
    return convertPointFromWindow(v, location);
}

Point Touch::previousLocationInView(const View* v) const {
    return convertPointFromWindow(v, previousLocation);
}

void Widget::draw(float /*scale*/) {
    if (backgroundColor_.a > 0.0f)
        uiFillRect({bounds().origin, bounds().size}, Gradient::solid(backgroundColor_));
}

Rect Widget::drawingArea() const {
    const Rect& b = bounds();
    return {{b.origin.x - kShadowReach, b.origin.y - kShadowReach},
            {b.size.width + 2.0f * kShadowReach, b.size.height + 2.0f * kShadowReach}};
}

// ---- Window ----

std::unique_ptr<Window> Window::initWithFrame(const Rect& frame) {
    return std::unique_ptr<Window>(new Window(frame));
}

Window::~Window() {
    if (willComposeId_) windowRemoveWillCompose(willComposeId_);
    for (int id : runDrawings_)
        windowRemoveDrawing(id);
    if (theKeyWindow == this) theKeyWindow = nullptr;
}

Window* Window::keyWindow() {
    return theKeyWindow;
}

void Window::makeKeyAndVisible() {
    theKeyWindow = this;
    setHidden(false);
    if (!willComposeId_) willComposeId_ = windowAddWillCompose([this] { stackViews(); });
}

View* Window::hitTest(Point windowPoint) {
    return hitTestIn(this, windowPoint);
}

bool Window::contains(const View* view) const {
    return treeContains(this, view);
}

void Window::collect(View* view) {
    if (view->isHidden()) return;
    if (GLLayer* layer = view->layer()) {
        layers_.push_back(layer);
        runStarts_.push_back(painted_.size());
    } else if (auto* widget = dynamic_cast<Widget*>(view)) {
        painted_.push_back(widget);
    }
    for (View* child : view->subviews())
        collect(child);
}

void Window::collectLook(const View* view, WindowLook& look) {
    if (view->isHidden()) return;
    if (view->layer())
        look.layerFrames.push_back(windowRectOf(view));
    else if (const auto* widget = dynamic_cast<const Widget*>(view))
        look.widgetAreas.push_back(widget->convertRectToWindow(widget->drawingArea()));
    for (const View* child : view->subviews())
        collectLook(child, look);
}

WindowLook Window::look() const {
    WindowLook look;
    look.background = backgroundColor();
    look.hidden = isHidden();
    if (look.hidden) return look;
    // The window's own colour lies under everything and changes only with `background`.
    for (const View* child : subviews())
        collectLook(child, look);
    return look;
}

bool windowChangedParts(const WindowLook& before, const WindowLook& after,
                        std::vector<Rect>& parts) {
    const auto sameRect = [](const Rect& a, const Rect& b) {
        return a.origin.x == b.origin.x && a.origin.y == b.origin.y &&
               a.size.width == b.size.width && a.size.height == b.size.height;
    };
    const Color& c0 = before.background;
    const Color& c1 = after.background;
    if (before.hidden != after.hidden || c0.r != c1.r || c0.g != c1.g || c0.b != c1.b ||
        c0.a != c1.a || before.layerFrames.size() != after.layerFrames.size() ||
        !std::equal(before.layerFrames.begin(), before.layerFrames.end(), after.layerFrames.begin(),
                    sameRect))
        return false;
    parts = before.widgetAreas;
    parts.insert(parts.end(), after.widgetAreas.begin(), after.widgetAreas.end());
    // Merged until no two overlap: the bars' buttons and labels become their bars.
    for (bool merged = true; merged;) {
        merged = false;
        for (std::size_t i = 0; i < parts.size() && !merged; ++i) {
            for (std::size_t j = i + 1; j < parts.size(); ++j) {
                if (!rectsOverlap(parts[i], parts[j])) continue;
                parts[i] = rectUnion(parts[i], parts[j]);
                parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(j));
                merged = true;
                break;
            }
        }
    }
    return true;
}

void Window::stackViews() {
    // The vectors keep their capacity: an unchanged window allocates nothing here.
    painted_.clear();
    layers_.clear();
    runStarts_.clear();
    runStarts_.push_back(0);
    if (!isHidden()) collect(this);
    while (runDrawings_.size() > runStarts_.size()) {
        windowRemoveDrawing(runDrawings_.back());
        runDrawings_.pop_back();
    }
    while (runDrawings_.size() < runStarts_.size()) {
        const std::size_t run = runDrawings_.size();
        runDrawings_.push_back(windowAddDrawing(
            static_cast<float>(2 * run), [this, run] { drawRun(run); },
            [this, run](const Rect& part) { return runDrawsIn(run, part); }));
    }
    for (std::size_t k = 0; k < layers_.size(); ++k) {
        const auto z = static_cast<float>(2 * k + 1);
        if (layers_[k]->zPosition() != z) layers_[k]->setZPosition(z);
    }
}

bool Window::runDrawsIn(std::size_t run, const Rect& part) const {
    if (run >= runStarts_.size()) return false;
    const std::size_t end = run + 1 < runStarts_.size() ? runStarts_[run + 1] : painted_.size();
    for (std::size_t i = runStarts_[run]; i < end; ++i) {
        if (rectsOverlap(painted_[i]->convertRectToWindow(painted_[i]->drawingArea()), part))
            return true;
    }
    return false;
}

void Window::drawRun(std::size_t run) {
    if (run >= runStarts_.size()) return;
    const std::size_t end = run + 1 < runStarts_.size() ? runStarts_[run + 1] : painted_.size();
    const float scale = windowContentScale();
    uiBegin();
    for (std::size_t i = runStarts_[run]; i < end; ++i) {
        Widget* widget = painted_[i];
        const Rect r = windowRectOf(widget);
        glLoadIdentity();
        glTranslatef(r.origin.x - widget->bounds().origin.x, r.origin.y - widget->bounds().origin.y,
                     0.0f);
        const View* owner = widget;
        while (owner->superview() && owner->superview() != this)
            owner = owner->superview();
        setTextDrawingPlace(
            {r.origin.x - widget->bounds().origin.x, r.origin.y - widget->bounds().origin.y}, r,
            owner);
        widget->draw(scale);
    }
    uiEnd();
    // Every run draws all its widgets, in a part of the window as in the whole, so once all runs
    // have drawn in this composition a line none of them drew is shown nowhere: its texture goes.
    // (A run that skipped widgets outside a part would have to keep this from happening.)
    const std::uint64_t composition = windowLastComposition().count;
    if (composition != runsComposition_) {
        runsComposition_ = composition;
        runsDrawn_ = 0;
    }
    if (++runsDrawn_ == runStarts_.size()) dropTextsNotDrawnIn(composition);
}

void Window::deliver(TrackedTouch tracked, TouchPhase phase, Point location) {
    Touch touch;
    touch.phase = phase;
    touch.location = location;
    touch.previousLocation = phase == TouchPhase::Began ? location : tracked.previous;
    touch.view = tracked.view;
    touch.touchId = tracked.id;
    // The responder may change the tree, or go away, while it handles the touch.
    switch (phase) {
    case TouchPhase::Began:
        tracked.responder->touchesBegan(touch);
        break;
    case TouchPhase::Moved:
        tracked.responder->touchesMoved(touch);
        break;
    case TouchPhase::Ended:
        tracked.responder->touchesEnded(touch);
        break;
    case TouchPhase::Cancelled:
        tracked.responder->touchesCancelled(touch);
        break;
    }
}

bool Window::sendEvent(const InputEvent& event) {
    if (event.type == InputType::KeyDown || event.type == InputType::TextInput) {
        std::vector<Responder*> responders;
        collectResponders(this, responders);
        const bool key = event.type == InputType::KeyDown;
        for (Responder* responder : responders)
            if (responder != this &&
                (key ? responder->keyDown(event.key) : responder->textInput(event.text)))
                return true;
        return false;
    }
    auto found = touches_.begin();
    while (found != touches_.end() && found->id != event.touchId)
        ++found;
    if (event.type == InputType::TouchDown) {
        if (found != touches_.end()) { // a lost release: end the old touch first
            const TrackedTouch old = *found;
            touches_.erase(found);
            if (contains(old.view)) deliver(old, TouchPhase::Cancelled, event.location);
        }
        View* view = hitTest(event.location);
        Responder* responder = nullptr;
        for (View* v = view; v && !responder; v = v->superview())
            responder = dynamic_cast<Responder*>(v);
        if (!responder || responder == this) return false;
        const TrackedTouch tracked{event.touchId, view, responder, event.location};
        touches_.push_back(tracked);
        deliver(tracked, TouchPhase::Began, event.location);
        return true;
    }
    if (found == touches_.end()) return false; // no touch under way with that id
    TrackedTouch tracked = *found;
    if (!contains(tracked.view)) { // its view left the window: nobody to tell
        touches_.erase(found);
        return false;
    }
    if (event.type == InputType::TouchMove) {
        found->previous = event.location;
        deliver(tracked, TouchPhase::Moved, event.location);
        return true;
    }
    touches_.erase(found); // before the responder runs: it may send events of its own
    deliver(tracked, event.type == InputType::TouchUp ? TouchPhase::Ended : TouchPhase::Cancelled,
            event.location);
    return true;
}

void Window::cancelTouches() {
    std::vector<TrackedTouch> touches;
    touches.swap(touches_);
    for (const TrackedTouch& t : touches)
        if (contains(t.view)) deliver(t, TouchPhase::Cancelled, t.previous);
}
