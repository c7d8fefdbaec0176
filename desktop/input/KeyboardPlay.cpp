#include "desktop/input/KeyboardPlay.h"

#include <utility>

#include "math/Camera.h"
#include "render/BoardCursor.h"

KeyboardPlay::KeyboardPlay(ViewHooks hooks)
    : view_(std::move(hooks)),
      cursor_([this](const Puzzle& board, CursorScreen& screen) { findSpots(board, screen); }) {}

void KeyboardPlay::advanceFrame(Puzzle& board) {
    const int shownCell = cursor_.cell();
    cursor_.beforeUpdate(board);
    ::updatePuzzle(&board);
    cursor_.afterUpdate(board);
    if (cursor_.cell() != shownCell) view_.needsDisplay(); // it may move on a board at rest
    if (const auto pulse = cursor_.nextPulse(); pulse && turnPulseHandler_) {
        turnPulseHandler_(pulse->direction, pulse->amount);
        view_.needsDisplay(); // the toolbar is composed with the view's frames
    }
}

void KeyboardPlay::findSpots(const Puzzle& board, CursorScreen& screen) const {
    view_.makeCurrent();
    ScreenBubble bubbles[kNumBlocks];
    const int count = screenBubbles(&board, eyePos, bubbles);
    // The middle of each centre pixel, in view points.
    const float s = view_.contentScale();
    const Size size = view_.viewSize();
    screen.centre = {size.width * 0.5f, size.height * 0.5f};
    screen.spots.clear();
    for (int i = 0; i < count; ++i) {
        const ScreenBubble& b = bubbles[i];
        const Point at{(static_cast<float>(b.x) + 0.5f) / s,
                       size.height - (static_cast<float>(b.y) + 0.5f) / s};
        int x = 0;
        int y = 0;
        view_.pick(at, &x, &y); // a click there must land on the pixel that picked the bubble
        screen.spots.push_back({b.cell, at, b.reachable && x == b.x && y == b.y});
    }
}

void KeyboardPlay::press(KeyboardCursor::Key key, const Puzzle& board) {
    const KeyboardCursor::Action action = cursor_.press(key, board);
    if (action.tap) view_.tap(*action.tap); // the same pick, model calls and sounds as a click
    view_.needsDisplay();
}

void KeyboardPlay::hide() {
    if (!cursor_.visible()) return;
    cursor_.hide();
    view_.needsDisplay();
}
