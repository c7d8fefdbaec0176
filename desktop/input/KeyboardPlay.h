// The game view's keyboard play: the cursor's spots found with the view's camera and pick pixels,
// its keys turned into clicks, its following of the board's frame updates, its ring and the
// hint's pulse. The cursor's own logic lives in desktop/input/KeyboardCursor. Each call returns
// what the view is to do (a click, a redraw, a pulse); the view's GL context must be current.
#pragma once

#include <optional>

#include "desktop/input/KeyboardCursor.h"
#include "model/Puzzle.h"
#include "platform/base/Geometry.h"

class KeyboardPlay {
public:
    // The view as the cursor's spots are found in it.
    struct ViewGeometry {
        float pixelsPerPoint = 1.0f;
        Size points;
    };
    // What the view is to do after a call.
    struct ViewChange {
        std::optional<Point> click;                 // exactly a click there (view points)
        bool redraw = false;                        // the ring or the toolbar changed
        std::optional<KeyboardCursor::Pulse> pulse; // light the arrow button of this turn
    };

    KeyboardPlay();

    // The model's frame update, with the cursor following its bubble through it.
    ViewChange advanceFrame(Puzzle& board, const ViewGeometry& view);
    // Moves the cursor, clicks under it or gives a hint.
    ViewChange press(KeyboardCursor::Key key, const Puzzle& board, const ViewGeometry& view);
    // True when the cursor was shown and its ring must go.
    bool hide();
    const KeyboardCursor& cursor() const { return cursor_; }

private:
    void findSpots(const Puzzle& board, CursorScreen& screen) const;

    ViewGeometry geometry_;
    KeyboardCursor cursor_;
};

// The pick pixel of a view point (origin top-left, y down) in a view of `points` at `scale`
// pixels per point: viewport pixels from the bottom-left, truncated toward zero, as a click
// there picks.
void viewPointPickPixel(Point at, Size points, float scale, int* x, int* y);
