// Frames that redraw only what changed. Each box of damage is one pass under the scissor: the
// background and, in order, every draw that touches the box, so each of its pixels gets exactly
// the draws a whole frame would give it.
#include "render/SceneFrames.h"

#include "platform/gl/GLExtensions.h"
#include "render/BoardCursor.h"
#include "render/SceneDrawing.h"

namespace {

// Past this share of the view, one whole pass costs less than several partial ones.
constexpr double kWholeFrameShare = 0.6;

} // namespace

void SceneFrames::setArrayBuffer(GLuint buffer) {
    for (DrawList& list : lists_)
        list.setArrayBuffer(buffer, sceneArrayOffset);
}

PixelBox SceneFrames::draw(Puzzle* p, int cursorCell, bool everything) {
    DrawList& now = lists_[current_];
    const DrawList& before = lists_[1 - current_];
    now.begin();
    recordPuzzle(now, p);
    recordCursorRing(now, p, cursorCell);
    current_ = 1 - current_;

    const PixelBox all = now.viewport();
    PixelBox boxes[DrawList::kMaxDamageBoxes];
    int count = 0;
    bool partial = !everything && now.damage(before, boxes, &count);
    long area = 0;
    for (int i = 0; i < count; ++i)
        area += boxes[i].area();
    if (partial && static_cast<double>(area) > kWholeFrameShare * static_cast<double>(all.area()))
        partial = false;
    if (!partial) {
        fillBackground();
        glMatrixMode(GL_MODELVIEW);
        now.draw(all);
        redrawnPixels_ = all.area();
        changed_[0] = all;
        changedCount_ = 1;
        return all;
    }

    PixelBox changed;
    changedCount_ = count;
    glEnable(GL_SCISSOR_TEST);
    for (int i = 0; i < count; ++i) {
        const PixelBox& b = boxes[i];
        changed_[i] = b;
        glScissor(b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
        fillBackground();
        glMatrixMode(GL_MODELVIEW);
        now.draw(b);
        changed.add(b);
    }
    glDisable(GL_SCISSOR_TEST);
    glScissor(all.x0, all.y0, all.x1 - all.x0, all.y1 - all.y0);
    redrawnPixels_ = area;
    return changed;
}
