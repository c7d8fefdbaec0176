// Drawing one frame of the game with OpenGL ES 1.1: background, score, floor shadows, bubbles,
// burst clouds and the selection's speech bubble. Reads the model and the texture names; no SDL.
#pragma once

#include "model/Puzzle.h"
#include "platform/gl/GLExtensions.h"

class DrawList;

// The GL state every function here assumes (set once by the game view): no depth test, culling
// or dithering; flat shading; GL_TEXTURE_2D and blending (src alpha, 1 - src alpha) on; vertex
// and texture-coordinate arrays enabled; modulate texture environment; the camera on the
// projection stack and an identity modelview. Each function restores what it changes.

// Sets that state, but for the camera, in the current context; the clear colour is white.
void setUpSceneState();
// The quads the scene draws, in a new buffer object of the current context, so that its draws
// copy no vertices (DrawList::setArrayBuffer with sceneArrayOffset); 0 where GL refuses. The
// caller deletes it.
GLuint makeSceneArrayBuffer();
GLintptr sceneArrayOffset(const GLfloat* array);

// The grey-to-white gradient over the whole viewport. Leaves the matrix mode at GL_PROJECTION.
void fillBackground();
// The 32 x 32 tile bgTexId repeated 20 across and 30 down. Leaves the matrix mode at
// GL_PROJECTION. The frame does not use it.
void drawBackground();

// Everything above the background, then adds 1 to p->frame. Expects GL_MODELVIEW as the matrix
// mode with an identity modelview, and leaves both so.
void drawPuzzle(Puzzle* p);
// The same draws added to `list` (begun by the caller), for a frame that redraws only what
// changed; also adds 1 to p->frame.
void recordPuzzle(DrawList& list, Puzzle* p);
// The columns' shadows on the floor y = -3; nothing while a new board drops in.
void recordShadows(DrawList& list, const Puzzle* p);
// `value` in decimal in the list's current colour, centred on x at height y and depth z.
void recordNumber(DrawList& list, float x, float y, float z, int value);
