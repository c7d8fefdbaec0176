// Touch picking: un-project the touch onto the near plane, cast a ray away from the eye and keep
// the nearest sphere hit. GL only to read back the viewport and matrices; no SDL.
#include "math/Picking.h"

#include <GLES/gl.h>

#include <cmath>

#include "math/Camera.h"
#include "math/Matrix.h"

namespace {

// Farther than anything on the board; a hit at this distance or beyond is never picked.
constexpr float kFarthest = 9999.0f;

} // namespace

int rayIntersectSphere(float hit[3], const float origin[3], const float dir[3],
                       const float center[3], float radius) {
    float l[3];
    vec_sub(l, center, origin);
    const float c2 = vec_length_squared(l);
    const float tca = vec_dot(l, dir);
    const float r2 = radius * radius;
    if (tca < 0.0f && c2 > r2) return 0; // behind a ray that starts outside
    const float d2 = c2 - tca * tca;
    if (r2 < d2) return 0; // passes beside
    const float thc = sqrtf(r2 - d2);
    const float t = c2 > r2 ? tca - thc : tca + thc; // from inside: where the ray leaves
    float step[3];
    vec_scale(step, dir, t);
    vec_add(hit, origin, step);
    return 1;
}

int nearestSphereOnRay(const PickSphere* spheres, int count, const float origin[3],
                       const float dir[3], const float eye[3]) {
    float best = kFarthest;
    int result = -1;
    for (int i = 0; i < count; ++i) {
        const PickSphere& s = spheres[i];
        if (!s.pickable) continue;
        float hit[3];
        if (!rayIntersectSphere(hit, origin, dir, s.centre, s.radius)) continue;
        float toEye[3];
        vec_sub(toEye, hit, eye);
        const float d = vec_length(toEye);
        if (d < best) { // strictly: a tie keeps the lower index
            best = d;
            result = i;
        }
    }
    return result;
}

bool pickRayWithMatrices(float origin[3], float dir[3], int x, int y, const float eye[3],
                         const int viewport[4], const float modelview[16],
                         const float projection[16]) {
    float nearPt[3];
    if (!gluUnProject(&nearPt[0], &nearPt[1], &nearPt[2], static_cast<float>(x),
                      static_cast<float>(y), 0.0f, modelview, projection, viewport))
        return false;
    vec_sub(dir, nearPt, eye);
    vec_normalize(dir);
    for (int i = 0; i < 3; ++i)
        origin[i] = nearPt[i];
    return true;
}

bool pickRay(float origin[3], float dir[3], int x, int y, const float eye[3]) {
    GLint viewport[4];
    GLfloat modelview[16];
    GLfloat projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    return pickRayWithMatrices(origin, dir, x, y, eye, viewport, modelview, projection);
}
