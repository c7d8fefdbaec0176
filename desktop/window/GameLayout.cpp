#include "desktop/window/GameLayout.h"

#include <cmath>

#include "desktop/window/GameBars.h"

namespace {

// The game view of the 320 x 480 window, 320 x 392 points.
constexpr float kNarrowestGameView = 320.0f / 392.0f;

} // namespace

GameLayout gameLayoutFor(const Rect& app, float navH, float barH) {
    const float minX = app.origin.x;
    const float minY = app.origin.y;
    const float width = app.size.width;
    const float height = app.size.height;
    const float maxY = minY + height;
    GameLayout l;
    l.navBar = {{minX, minY}, {width, navH}};
    l.toolbar = {{minX, minY + height - barH}, {width, barH}};
    l.gameArea = {{app.origin.x, app.origin.y + navH}, {width, height - barH - navH}};
    l.gameView = l.gameArea;
    if (l.gameArea.size.width < l.gameArea.size.height * kNarrowestGameView) {
        // On the toolbar: the floor's shadows run under the bar as they do at every other size.
        l.gameView.size.height = std::round(width / kNarrowestGameView);
        l.gameView.origin.y += l.gameArea.size.height - l.gameView.size.height;
    }
    // Wider than 2:3, the 320 x 480 window's proportions.
    l.toolbarHistory = width * 3.0f > height * 2.0f && width >= toolbarWidthWithHistory();
    const auto barX =
        static_cast<float>(static_cast<double>(minX) + static_cast<double>(width) * 0.5 - 80.0);
    l.progressView = {{barX, maxY - barH - 24.0f}, {160.0f, 14.0f}};
    return l;
}

Rect GameLayout::bandAbove() const {
    return {gameArea.origin, {gameArea.size.width, gameView.origin.y - gameArea.origin.y}};
}

Rect GameLayout::bandBelow() const {
    return {{gameArea.origin.x, gameView.origin.y + gameView.size.height},
            {gameArea.size.width,
             gameArea.origin.y + gameArea.size.height - gameView.origin.y - gameView.size.height}};
}
