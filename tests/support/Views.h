// Driving the view layer in tests: touches and keys sent through a window, where a view shows in
// the window, and the composed window read back. Composing needs an open screen.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Harness.h"
#include "platform/gl/GLLayer.h"
#include "platform/ui/Window.h"

inline Point centreInWindow(const View* view) {
    const Rect r = view->convertRectToWindow(view->bounds());
    return {r.origin.x + r.size.width * 0.5f, r.origin.y + r.size.height * 0.5f};
}

inline InputEvent touchEvent(InputType type, Point at, int id = 0) {
    InputEvent e;
    e.type = type;
    e.location = at;
    e.touchId = id;
    return e;
}

inline void tapInWindow(Window& window, Point at) {
    window.sendEvent(touchEvent(InputType::TouchDown, at));
    window.sendEvent(touchEvent(InputType::TouchUp, at));
}

inline InputEvent keyDown(KeyCode code) {
    InputEvent e;
    e.type = InputType::KeyDown;
    e.key.code = code;
    return e;
}

// The window as composed now, top row first.
struct WindowShot {
    std::vector<std::uint8_t> rgba;
    int width = 0, height = 0;
    Rgba at(int x, int y) const {
        const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    // The pixels inside `r` (window points at scale 1) that pass `test`.
    int countIn(const Rect& r, bool (*test)(Rgba)) const {
        int n = 0;
        for (int y = int(r.origin.y); y < int(r.origin.y + r.size.height); ++y)
            for (int x = int(r.origin.x); x < int(r.origin.x + r.size.width); ++x)
                n += test(at(x, y));
        return n;
    }
};

inline WindowShot composeWindow() {
    WindowShot shot;
    EXPECT_TRUE(windowCompose());
    EXPECT_TRUE(windowReadPixels(shot.rgba, shot.width, shot.height));
    return shot;
}
