// The game view's keyboard play: the cursor's spots found with the view's camera and pick pixels,
// its keys turned into clicks, its following of the board's frame updates, its ring and the
// hint's pulse. The cursor's own logic lives in Classes/play/KeyboardCursor.
#include "Classes/PuzzleView.h"
#include "math/Camera.h"
#include "platform/gl/GLExtensions.h"
#include "render/BoardCursor.h"
#include "render/SceneDrawing.h"

void PuzzleView::updateBoard() {
    const int shownCell = cursor_.cell();
    cursor_.beforeUpdate(puzzle);
    updatePuzzle(&puzzle);
    cursor_.afterUpdate(puzzle);
    if (cursor_.cell() != shownCell) setNeedsDisplay(); // it may move on a board at rest
    if (const auto pulse = cursor_.nextPulse(); pulse && turnPulseHandler_) {
        turnPulseHandler_(pulse->direction, pulse->amount);
        setNeedsDisplay(); // the toolbar is composed with the view's frames
    }
}

void PuzzleView::drawBoard() {
    glMatrixMode(GL_MODELVIEW);
    drawPuzzle(&puzzle);
    drawCursorRing(&puzzle, cursor_.cell());
}

void PuzzleView::findCursorSpots(const Puzzle& board, CursorScreen& screen) {
    setCurrentContext(); // the camera is the view's
    ScreenBubble bubbles[kNumBlocks];
    const int count = screenBubbles(&board, eyePos, bubbles);
    // The middle of each centre pixel, in view points.
    const float s = contentScale();
    const Size size = bounds().size;
    screen.centre = {size.width * 0.5f, size.height * 0.5f};
    screen.spots.clear();
    for (int i = 0; i < count; ++i) {
        const ScreenBubble& b = bubbles[i];
        const Point at{(static_cast<float>(b.x) + 0.5f) / s,
                       size.height - (static_cast<float>(b.y) + 0.5f) / s};
        int x = 0;
        int y = 0;
        pickPixel(at, &x, &y); // a click there must land on the pixel that picked the bubble
        screen.spots.push_back({b.cell, at, b.reachable && x == b.x && y == b.y});
    }
}

bool PuzzleView::keyboardAction(KeyboardCursor::Key key) {
    if (session_.isPaused()) return false;
    const KeyboardCursor::Action action = cursor_.press(key, puzzle);
    if (action.tap) { // exactly a click there: the same pick, model calls and sounds
        touchesBegan(*action.tap, *action.tap);
        touchesEnded(*action.tap, *action.tap);
    }
    setNeedsDisplay();
    return true;
}

void PuzzleView::hideKeyboardCursor() {
    if (!cursor_.visible()) return;
    cursor_.hide();
    setNeedsDisplay();
}
