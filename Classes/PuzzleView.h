// The game view: an EAGLView that sets the game's GL state and camera, makes the first board,
// loads the textures and draws frames of the global puzzle. Platform headers only; no SDL.
#pragma once

#include <memory>
#include <string>

#include "Classes/EAGLView.h"
#include "platform/GLExtensions.h"

class PuzzleView : public EAGLView {
  public:
    // The surface (RGB565 asked for, no depth buffer, preserved back buffer), made current; GL
    // state and camera, the first board, the background and the textures, and the background
    // presented as the first frame. nullptr, with the surface's log line, when there is no
    // surface.
    static std::unique_ptr<PuzzleView> initWithFrame(const Rect& frame);
    ~PuzzleView() override = default;

    // GL state and camera for the surface's size, then the first board into `puzzle`.
    void initView();

    // The scene passes over the whole surface; both leave GL_PROJECTION selected.
    void fillBackground();
    void drawBackground();

    // All 21 textures into their globals; one image into a new texture (0 on failure).
    void loadTextures();
    GLuint loadTextureFromResource(const std::string& name, int startLevel, int stopLevel);

    // The drawing half of a frame tick: background, one model update, the board, presented.
    void drawFrame();

  protected:
    explicit PuzzleView(const Rect& frame);
};
