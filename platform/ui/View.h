// The stand-in for the platform's view: a rectangle in points inside its superview, with subviews
// stacked in the order added. No SDL, no GL.
#pragma once

#include <vector>

#include "platform/base/Geometry.h"

class GLLayer;

// Views do not own each other: whoever creates a view keeps it, and a view that goes away leaves
// its superview and lets go of its subviews. Points have the origin at the top-left, y downward.
class View {
public:
    explicit View(const Rect& frame);
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // The frame is in the superview's bounds coordinates; the bounds are the view's own (origin
    // 0,0 unless set). Their sizes move together. A size change calls layoutSubviews().
    const Rect& frame() const { return frame_; }
    void setFrame(const Rect& frame);
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& bounds);

    // Pixels per point of anything the view draws; 1 unless a large display asks for more.
    // A change calls layoutSubviews(), since pixel sizes follow it.
    float contentScale() const { return contentScale_; }
    // The scale new views start with (pixels per point): the window's.
    static void setDefaultContentScale(float scale);
    static float defaultContentScale();
    void setContentScale(float scale);

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    // Hidden itself or below a hidden view.
    bool isHiddenInWindow() const;

    View* superview() const { return superview_; }
    const std::vector<View*>& subviews() const { return subviews_; }
    // Puts the view on top of the others; takes it from its former superview first.
    void addSubview(View* view);
    void removeFromSuperview();

    // A rectangle in this view's bounds coordinates, in the coordinates of the outermost view
    // (the window). A view without a superview sits in the window at its frame.
    Rect convertRectToWindow(const Rect& rect) const;

    virtual void layoutSubviews() {}

    // The GL layer that shows the view's content, for views drawn by GL (none for the others);
    // a window stacks it among its other views.
    virtual GLLayer* layer() const { return nullptr; }

protected:
    // Told when the view's place or visibility in the window may have changed (its own frame,
    // bounds or hidden flag, or an ancestor's). Views that show something outside this class,
    // like a GL layer, follow it here.
    virtual void windowGeometryDidChange() {}

private:
    void notifyGeometryChange();

    Rect frame_;
    Rect bounds_;
    float contentScale_ = defaultContentScale();
    bool hidden_ = false;
    View* superview_ = nullptr;
    std::vector<View*> subviews_;
};
