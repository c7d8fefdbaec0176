// The bubble under a touch: the board's live bubbles as spheres where they are drawn, searched
// along the ray through the touch.
#pragma once

#include "model/Puzzle.h"

// The live bubble whose sphere the ray through window point (x, y) (viewport pixels, origin at
// the bottom-left) meets nearest to the eye, or nullptr. Reads the viewport and both matrices
// from the current GL context; run it after the camera set-up, with the modelview at identity.
Block* pickBlock(int x, int y, Puzzle* p, const float eye[3]);

// The same search with the viewport and matrices given, so it runs without GL.
Block* pickBlockWithMatrices(int x, int y, Puzzle* p, const float eye[3], const int viewport[4],
                             const float modelview[16], const float projection[16]);

// The search itself: the live bubble first met by the ray from `origin` along the unit vector
// `dir`, nearness measured from `eye`; nullptr when the ray meets none.
Block* nearestBubbleOnRay(Puzzle* p, const float origin[3], const float dir[3], const float eye[3]);
