// Where the game window's views go in an application frame (points), with bars of given heights:
// the bars across the top and the bottom, the game area between them, the time bar centred 24
// points above the toolbar. The game view fills the game area, except where the area is narrower
// than the 320 x 480 window's: since its picture keeps its height and would lose the cube's
// sides, it then keeps that window's proportions at the full width, standing on the toolbar as
// the floor always does, under a band that continues its white sky.
#pragma once

#include "platform/base/Geometry.h"
#include "platform/ui/UIDrawing.h"

struct GameLayout {
    Rect navBar, toolbar, gameArea, gameView, progressView;
    // A window wider than the 320 x 480 one's proportions, with room on the toolbar for Undo
    // and Redo beside the arrows.
    bool toolbarHistory = false;
    // The bands above and below a game view narrower than its area (empty otherwise).
    Rect bandAbove() const;
    Rect bandBelow() const;
};

GameLayout gameLayoutFor(const Rect& app, float navH, float barH);

// The colours at the game view's top and bottom edges, for the bands that continue it.
inline constexpr Color kGameBackgroundTop{1.0f, 1.0f, 1.0f, 1.0f};
inline constexpr Color kGameBackgroundBottom{0.698f, 0.7059f, 0.702f, 1.0f};
