#include "desktop/input/KeyboardPlay.h"

#include "math/Camera.h"
#include "render/BoardCursor.h"

void viewPointPickPixel(Point at, Size points, float scale, int* x, int* y) {
    *x = static_cast<int>(at.x * scale);
    *y = static_cast<int>((points.height - at.y) * scale);
}

KeyboardPlay::KeyboardPlay()
    : cursor_([this](const Puzzle& board, CursorScreen& screen) { findSpots(board, screen); }) {}

KeyboardPlay::ViewChange KeyboardPlay::advanceFrame(Puzzle& board, const ViewGeometry& view) {
    geometry_ = view;
    ViewChange change;
    const int shownCell = cursor_.cell();
    cursor_.beforeUpdate(board);
    ::updatePuzzle(&board);
    cursor_.afterUpdate(board);
    change.redraw = cursor_.cell() != shownCell; // it may move on a board at rest
    change.pulse = cursor_.nextPulse(board);
    if (change.pulse) change.redraw = true; // the toolbar is composed with the view's frames
    return change;
}

void KeyboardPlay::findSpots(const Puzzle& board, CursorScreen& screen) const {
    ScreenBubble bubbles[kNumBlocks];
    const int count = screenBubbles(&board, eyePos, bubbles);
    // The middle of each centre pixel, in view points.
    const float s = geometry_.pixelsPerPoint;
    const Size size = geometry_.points;
    screen.centre = {size.width * 0.5f, size.height * 0.5f};
    screen.spots.clear();
    for (int i = 0; i < count; ++i) {
        const ScreenBubble& b = bubbles[i];
        const Point at{(static_cast<float>(b.x) + 0.5f) / s,
                       size.height - (static_cast<float>(b.y) + 0.5f) / s};
        int x = 0;
        int y = 0;
        viewPointPickPixel(at, size, s, &x, &y); // a click there must pick this very pixel
        screen.spots.push_back({b.cell, at, b.reachable && x == b.x && y == b.y});
    }
}

KeyboardPlay::ViewChange KeyboardPlay::press(KeyboardCursor::Key key, const Puzzle& board,
                                             const ViewGeometry& view) {
    geometry_ = view;
    ViewChange change;
    change.click =
        cursor_.press(key, board).tap; // the same pick, model calls and sounds as a click
    change.redraw = true;
    return change;
}

bool KeyboardPlay::hide() {
    if (!cursor_.visible()) return false;
    cursor_.hide();
    return true;
}
