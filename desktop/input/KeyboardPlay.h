// The game view's keyboard play: the cursor's spots found with the view's camera and pick pixels,
// its keys turned into clicks, its following of the board's frame updates, its ring and the
// hint's pulse, and the hint's search off the main thread. The cursor's own logic lives in
// desktop/input/KeyboardCursor. Each call returns what the view is to do (a click, a redraw, a
// pulse, a notice); the view's GL context must be current.
#pragma once

#include <functional>
#include <optional>

#include "desktop/input/HintSearch.h"
#include "desktop/input/KeyboardCursor.h"
#include "model/Puzzle.h"
#include "platform/base/Geometry.h"
#include "render/BoardCursor.h"

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
        // The notice that the hint's search found no series: shows (true) or has gone (false).
        std::optional<bool> noPairNotice;
    };

    KeyboardPlay();

    // The model's frame update, with the cursor following its bubble through it.
    ViewChange advanceFrame(Puzzle& board, const ViewGeometry& view);
    // Moves the cursor, clicks under it or gives a hint. A hint that needs the search starts it
    // with the view's camera as it is now; its answer comes later (see setHintAnswerHandler).
    ViewChange press(KeyboardCursor::Key key, const Puzzle& board, const ViewGeometry& view);
    // Called on the main loop when a hint's search has answered; the view then calls
    // takeHintAnswer with the board as it is.
    void setHintAnswerHandler(std::function<void()> handler) { answered_ = std::move(handler); }
    ViewChange takeHintAnswer(const Puzzle& board, const ViewGeometry& view);
    // Scripted runs: a hint's answer comes with the key, so that a run repeats exactly.
    static void setHintAnswersAtOnce(bool on);
    // A search still running is let go unheard (a new game).
    void cancelHintSearch() { searcher_.cancel(); }
    // True when the cursor was shown and its ring must go.
    bool hide();
    const KeyboardCursor& cursor() const { return cursor_; }

private:
    void findSpots(const Puzzle& board, CursorScreen& screen) const;

    ViewChange answer(const std::optional<std::vector<int>>& turns, const Puzzle& board);

    ViewGeometry geometry_;
    KeyboardCursor cursor_;
    HintSearcher searcher_;
    std::function<void()> answered_;
};

// The cursor's spots of `board` seen through `camera` in a view of `geometry`; no GL.
void findScreenSpots(const Puzzle& board, const ScreenCamera& camera,
                     const KeyboardPlay::ViewGeometry& geometry, CursorScreen& screen);

// The pick pixel of a view point (origin top-left, y down) in a view of `points` at `scale`
// pixels per point: viewport pixels from the bottom-left, truncated toward zero, as a click
// there picks.
void viewPointPickPixel(Point at, Size points, float scale, int* x, int* y);
