// The game view's keyboard play: the cursor's spots found with the view's camera and pick pixels,
// its keys turned into clicks, its following of the board's frame updates, its ring and the
// hint's pulse. The cursor's own logic lives in desktop/input/KeyboardCursor; the view hands in
// what it needs of itself as callbacks, so this part never calls the view by name.
#pragma once

#include <functional>

#include "desktop/input/KeyboardCursor.h"
#include "model/Puzzle.h"
#include "platform/base/Geometry.h"

class KeyboardPlay {
public:
    struct ViewHooks {
        std::function<void()> makeCurrent;           // the camera is the view's
        std::function<float()> contentScale;         // pixels per view point
        std::function<Size()> viewSize;              // in points
        std::function<void(Point, int*, int*)> pick; // a view point's pick pixel
        std::function<void(Point)> tap;              // exactly a click there
        std::function<void()> needsDisplay;
    };
    explicit KeyboardPlay(ViewHooks hooks);

    // The model's frame update, with the cursor following its bubble through it.
    void advanceFrame(Puzzle& board);
    // Moves the cursor, taps under it or gives a hint.
    void press(KeyboardCursor::Key key, const Puzzle& board);
    void hide();
    const KeyboardCursor& cursor() const { return cursor_; }
    // Told frame by frame how strongly to light the arrow button of a turn a hint points at
    // (a kDir* code), ending with 0.
    void setTurnPulseHandler(std::function<void(int direction, float amount)> handler) {
        turnPulseHandler_ = std::move(handler);
    }

private:
    void findSpots(const Puzzle& board, CursorScreen& screen) const;

    ViewHooks view_;
    KeyboardCursor cursor_;
    std::function<void(int, float)> turnPulseHandler_;
};
