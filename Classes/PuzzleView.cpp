// The game view's set-up and frame drawing on top of the GL surface view. Platform headers only;
// no SDL.
#include "Classes/PuzzleView.h"

#include "math/Camera.h"
#include "model/Puzzle.h"
#include "platform/GLExtensions.h"
#include "render/SceneDrawing.h"
#include "render/Textures.h"

namespace {
constexpr bool kPreserveBackbuffer = true;
}

PuzzleView::PuzzleView(const Rect& frame)
    : EAGLView(frame, GL_RGB565_OES, 0, kPreserveBackbuffer) {}

std::unique_ptr<PuzzleView> PuzzleView::initWithFrame(const Rect& frame) {
    std::unique_ptr<PuzzleView> view(new PuzzleView(frame));
    if (!view->initialised()) return nullptr; // the surface logged why
    view->setCurrentContext();
    view->initView();
    view->fillBackground();
    view->loadTextures();
    view->swapBuffers(); // the background is the first frame
    return view;
}

void PuzzleView::initView() {
    // Nothing is depth-tested: the board is drawn far to near.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DITHER);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glShadeModel(GL_FLAT);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    // The viewing transform lives on the projection stack; the modelview stays the identity
    // between passes, which picking relies on.
    const Size size = surfaceSize();
    setUpCamera(size.width, size.height);
    initPuzzle(&puzzle);
}

void PuzzleView::fillBackground() {
    ::fillBackground();
}
void PuzzleView::drawBackground() {
    ::drawBackground();
}
void PuzzleView::loadTextures() {
    ::loadTextures();
}

GLuint PuzzleView::loadTextureFromResource(const std::string& name, int startLevel, int stopLevel) {
    return ::loadTextureFromResource(name, startLevel, stopLevel);
}

void PuzzleView::drawFrame() {
    setCurrentContext();
    fillBackground();
    updatePuzzle(&puzzle);
    glMatrixMode(GL_MODELVIEW);
    drawPuzzle(&puzzle);
    swapBuffers();
}
