// The keyboard cursor's side of the screen: where each bubble shows, whether a click there picks
// it, and the ring around the bubble under the cursor. Reads the camera from the current context.
#pragma once

#include "model/Puzzle.h"

class DrawList;

// A live bubble on screen: the viewport pixel (origin bottom-left) under its drawn centre, and
// whether a click on that pixel picks this bubble (pickBlock).
struct ScreenBubble {
    int cell;
    int x, y;
    bool reachable;
};

// The camera as the current context holds it, taken on the GL thread so that work elsewhere
// (the hint's search) can see the board as a click would.
struct ScreenCamera {
    int viewport[4];
    float modelview[16];
    float projection[16];
};
ScreenCamera currentScreenCamera();

// The live bubbles of `p` (any board, the game's or a copy), in cell order; returns how many
// were written to `out`. Bubbles behind the eye are left out. The first reads the camera from
// the current context; the second takes one and calls no GL, on any thread.
int screenBubbles(const Puzzle* p, const float eye[3], ScreenBubble out[kNumBlocks]);
int screenBubbles(const Puzzle* p, const float eye[3], const ScreenCamera& camera,
                  ScreenBubble out[kNumBlocks]);

// A white ring with a dark edge around the bubble of `cell`, readable on every colour and on
// the background, as the last draw of `list`; nothing when the cell holds no live bubble. Its
// drawing restores the GL state it changes.
void recordCursorRing(DrawList& list, const Puzzle* p, int cell);
