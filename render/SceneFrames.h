// The game's frames drawn into the current frame buffer, each redrawing only the pixels whose
// draws differ from the frame before: the buffer keeps the rest. Whole frames where the buffer's
// content is not known to be the last frame's.
#pragma once

#include "model/Puzzle.h"
#include "render/DrawList.h"

class SceneFrames {
public:
    // Draws p's frame (background, board, and the keyboard cursor's ring around `cursorCell`,
    // -1 for none) and adds 1 to p->frame. `everything` redraws every pixel. Returns the box of
    // pixels that may have changed, empty when none did. Expects the scene's GL state.
    PixelBox draw(Puzzle* p, int cursorCell, bool everything);
    // The boxes the last frame redrew, apart (they hold the box draw() returned).
    const PixelBox* changedBoxes() const { return changed_; }
    int changedBoxCount() const { return changedCount_; }

    // Draws the scene's quads from `buffer`, made by makeSceneArrayBuffer() in the context the
    // frames are drawn in (0: from client memory).
    void setArrayBuffer(GLuint buffer);

    // The pixels the last frame redrew: what a benchmark reads to tell how much a frame cost.
    long redrawnPixels() const { return redrawnPixels_; }

private:
    DrawList lists_[2];
    int current_ = 0;
    long redrawnPixels_ = 0;
    PixelBox changed_[DrawList::kMaxDamageBoxes];
    int changedCount_ = 0;
};
