// The fixed camera and the GLU-named projection functions, in single precision on the OpenGL ES
// 1.1 matrix calls. Needs a current GL context (except gluUnProject); no SDL, no libGLU.
#pragma once

// The eye in world units, 7.55 in front of the cube's centre; also where picking rays start.
extern const float eyePos[3];
// Vertical field of view, degrees.
extern const float fieldOfView;

// Multiplies the current GL matrix by a viewing transform from the eye toward the centre.
void gluLookAt(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ,
               float upX, float upY, float upZ);

// Multiplies the current GL matrix by a perspective projection (fovy in degrees). A zero depth
// range, a zero aspect or an angle whose sine is zero leaves the matrix as it is.
void gluPerspective(float fovy, float aspect, float zNear, float zFar);

// glOrthof over the rectangle with the depth range -1 ... 1000, deep enough for the 3D passes.
void gluOrtho2D(float left, float right, float bottom, float top);

// Maps a window point (winZ 0 at the near plane, 1 at the far one) back to object space through
// modelview and projection (column-major) and the viewport (x, y, width, height). Returns 1 and
// writes the three outputs, or 0 and writes nothing: singular matrices, a point at infinity, an
// empty viewport or a result that is not finite.
int gluUnProject(float* objX, float* objY, float* objZ, float winX, float winY, float winZ,
                 const float modelview[16], const float projection[16], const int viewport[4]);

// The game's camera for a surface of the given size in pixels: viewport over the whole surface,
// perspective and eye on the projection stack, identity modelview, matrix mode GL_MODELVIEW.
// Sizes are truncated to whole pixels. False, changing nothing, for a size below one pixel.
bool setUpCamera(float widthPx, float heightPx);
