#include "desktop/input/KeyboardPlay.h"

#include <memory>

#include "math/Camera.h"

namespace {

bool hintAnswersAtOnce = false;

} // namespace

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
    change.noPairNotice = cursor_.nextNotice(board);
    // The toolbar and the notice are composed with the view's frames.
    if (change.pulse || change.noPairNotice) change.redraw = true;
    return change;
}

void KeyboardPlay::findSpots(const Puzzle& board, CursorScreen& screen) const {
    findScreenSpots(board, currentScreenCamera(), geometry_, screen);
}

void findScreenSpots(const Puzzle& board, const ScreenCamera& camera,
                     const KeyboardPlay::ViewGeometry& geometry, CursorScreen& screen) {
    ScreenBubble bubbles[kNumBlocks];
    const int count = screenBubbles(&board, eyePos, camera, bubbles);
    // The middle of each centre pixel, in view points.
    const float s = geometry.pixelsPerPoint;
    const Size size = geometry.points;
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
    const KeyboardCursor::Action action = cursor_.press(key, board);
    change.click = action.tap; // the same pick, model calls and sounds as a click
    change.redraw = true;
    if (!action.search) return change;
    const auto rest = std::make_unique<Puzzle>(board);
    settleAtRest(*rest);
    const ScreenCamera camera = currentScreenCamera();
    const ViewGeometry geometry = geometry_;
    HintSearch::ReachTest reach = [camera, geometry](Puzzle& b, bool reachable[kNumBlocks]) {
        CursorScreen screen;
        findScreenSpots(b, camera, geometry, screen);
        for (const CursorSpot& spot : screen.spots)
            if (spot.cell >= 0 && spot.cell < kNumBlocks) reachable[spot.cell] = spot.reachable;
    };
    if (!searcher_.start(*rest, std::move(reach), [this] {
            if (answered_) answered_();
        })) {
        return answer(std::nullopt, board); // no memory for a search: no series to show
    }
    if (hintAnswersAtOnce)
        if (const std::shared_ptr<HintSearch> done = searcher_.waitForAnswer())
            return answer(done->turns(), board);
    return change;
}

KeyboardPlay::ViewChange KeyboardPlay::takeHintAnswer(const Puzzle& board,
                                                      const ViewGeometry& view) {
    geometry_ = view;
    const std::shared_ptr<HintSearch> done = searcher_.takeAnswer();
    if (!done) return {};
    return answer(done->turns(), board);
}

KeyboardPlay::ViewChange KeyboardPlay::answer(const std::optional<std::vector<int>>& turns,
                                              const Puzzle& board) {
    const KeyboardCursor::Action action = cursor_.hintAnswer(turns, board);
    ViewChange change;
    change.click = action.tap;
    change.redraw = true; // the ring, the pulse or the notice; the frames that follow draw them
    return change;
}

void KeyboardPlay::setHintAnswersAtOnce(bool on) {
    hintAnswersAtOnce = on;
}

bool KeyboardPlay::hide() {
    if (!cursor_.visible()) return false;
    cursor_.hide();
    return true;
}
