// The view stand-in: geometry, the view tree and layout hooks. No SDL, no GL.
#include "platform/ui/View.h"

#include <algorithm>

namespace {
float defaultScale = 1.0f;
}

void View::setDefaultContentScale(float scale) { defaultScale = scale > 0.0f ? scale : 1.0f; }
float View::defaultContentScale() { return defaultScale; }

View::View(const Rect& frame) : frame_(frame), bounds_{{0.0f, 0.0f}, frame.size} {}

View::~View() {
    removeFromSuperview();
    for (View* child : subviews_) {
        child->superview_ = nullptr;
        child->notifyGeometryChange();
    }
}

void View::setFrame(const Rect& frame) {
    const bool resized =
        frame.size.width != frame_.size.width || frame.size.height != frame_.size.height;
    frame_ = frame;
    bounds_.size = frame.size;
    notifyGeometryChange();
    if (resized) layoutSubviews();
}

void View::setBounds(const Rect& bounds) {
    const bool resized =
        bounds.size.width != bounds_.size.width || bounds.size.height != bounds_.size.height;
    bounds_ = bounds;
    frame_.size = bounds.size;
    notifyGeometryChange();
    if (resized) layoutSubviews();
}

void View::setContentScale(float scale) {
    if (scale == contentScale_) return;
    contentScale_ = scale;
    notifyGeometryChange();
    layoutSubviews();
}

void View::setHidden(bool hidden) {
    if (hidden == hidden_) return;
    hidden_ = hidden;
    notifyGeometryChange();
}

bool View::isHiddenInWindow() const {
    for (const View* v = this; v; v = v->superview_)
        if (v->hidden_) return true;
    return false;
}

void View::addSubview(View* view) {
    if (!view) return;
    for (const View* v = this; v; v = v->superview_)
        if (v == view) return; // would make a cycle
    if (view->superview_) {
        auto& siblings = view->superview_->subviews_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), view), siblings.end());
    }
    view->superview_ = this;
    subviews_.push_back(view);
    view->notifyGeometryChange();
}

void View::removeFromSuperview() {
    if (!superview_) return;
    auto& siblings = superview_->subviews_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    superview_ = nullptr;
    notifyGeometryChange();
}

Rect View::convertRectToWindow(const Rect& rect) const {
    Rect r = rect;
    for (const View* v = this; v; v = v->superview_) {
        r.origin.x += v->frame_.origin.x - v->bounds_.origin.x;
        r.origin.y += v->frame_.origin.y - v->bounds_.origin.y;
    }
    return r;
}

void View::notifyGeometryChange() {
    windowGeometryDidChange();
    for (View* child : subviews_)
        child->notifyGeometryChange();
}
