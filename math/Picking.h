// The geometry of touch picking: the ray through a window point, sphere hits along it, and the
// nearest of a set of spheres. pickRay reads GL state; the rest is plain arithmetic. Knows no
// board: the game's picking of a bubble builds on these.
#pragma once

// A sphere that may be hit; `pickable` false keeps it out of every search.
struct PickSphere {
    float centre[3];
    float radius;
    bool pickable;
};

// The ray through window point (x, y) (viewport pixels, origin at the bottom-left): it starts on
// the near plane and points away from `eye` (unit `dir`). False when the matrices cannot be
// inverted or the point does not un-project.
bool pickRayWithMatrices(float origin[3], float dir[3], int x, int y, const float eye[3],
                         const int viewport[4], const float modelview[16],
                         const float projection[16]);
// The same ray with the viewport and both matrices read from the current GL context.
bool pickRay(float origin[3], float dir[3], int x, int y, const float eye[3]);

// The index of the pickable sphere that the ray from `origin` along unit `dir` meets nearest to
// `eye`; a tie keeps the lower index. -1 when it meets none.
int nearestSphereOnRay(const PickSphere* spheres, int count, const float origin[3],
                       const float dir[3], const float eye[3]);

// 1 and the first point where the ray (unit `dir`) meets the sphere, or the exit point when the
// origin lies inside or on it; 0 with `hit` untouched when it misses. A grazing ray hits.
int rayIntersectSphere(float hit[3], const float origin[3], const float dir[3],
                       const float center[3], float radius);
