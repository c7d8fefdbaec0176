// The game window's bars: the navigation bar (new game and preferences on the left; pause, About
// and the menu on the right) and the toolbar of the four arrow buttons that turn the cube. Each
// button calls the action it is given.
#pragma once

#include <functional>
#include <memory>

#include "platform/ui/Bars.h"
#include "platform/ui/Button.h"

// Styled, tinted and of their standard heights, their frames not yet set.
std::unique_ptr<NavigationBar> makeGameNavigationBar();
std::unique_ptr<Toolbar> makeGameToolbar();

// The arrow buttons, in kDir* order (left, right, up, down).
void setTurnButtons(Toolbar& toolbar, std::function<void(int direction)> turn);
// How strongly to light the arrow button of turn `direction`.
void pulseTurnButton(Toolbar& toolbar, int direction, float amount);

struct NavigationActions {
    std::function<void()> newGame, preferences, pause, about, menu;
};
struct NavigationButtonsShown {
    Button* pause = nullptr;
    Button* menu = nullptr;
};
// Pushes the game's navigation item; returns its pause and menu buttons.
NavigationButtonsShown pushGameNavigationItem(NavigationBar& bar, NavigationActions actions);
