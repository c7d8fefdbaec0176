// Touch picking: the bubble under a window point, found by casting a ray through the camera and
// testing every live bubble as a sphere. Only pickBlock touches GL; no SDL.
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

// 1 and the first point where the ray (unit `dir`) meets the sphere, or the exit point when the
// origin lies inside or on it; 0 with `hit` untouched when it misses. A grazing ray hits.
int rayIntersectSphere(float hit[3], const float origin[3], const float dir[3],
                       const float center[3], float radius);
