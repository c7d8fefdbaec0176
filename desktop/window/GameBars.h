// The game window's bars: the navigation bar (new game and preferences on the left; pause, About
// and the menu on the right) and the toolbar of the four arrow buttons that turn the cube, with Undo
// and Redo beside them where the bar is wide. Each button calls the action it is given.
#pragma once

#include <functional>
#include <memory>

#include "platform/ui/Bars.h"
#include "platform/ui/Button.h"

// Styled, tinted and of their standard heights, their frames not yet set.
std::unique_ptr<NavigationBar> makeGameNavigationBar();
std::unique_ptr<Toolbar> makeGameToolbar();

struct ToolbarActions {
    std::function<void(int direction)> turn; // kDir* codes
    std::function<void()> undo, redo;
};
// The arrow buttons, in kDir* order (left, right, up, down), as a group centred on the bar; with
// `history`, Undo and Redo at the bar's left end too.
void setToolbarButtons(Toolbar& toolbar, ToolbarActions actions, bool history);
// The narrowest bar, in points, that has room for Undo and Redo with the arrows still centred.
float toolbarWidthWithHistory();
// Greys Undo and Redo while they cannot act; nothing on a bar without them.
void enableHistoryButtons(Toolbar& toolbar, bool canUndo, bool canRedo);
// The arrow button of turn `direction`, and the Undo or Redo button; nullptr where there is none.
Button* turnButton(const Toolbar& toolbar, int direction);
Button* historyButton(const Toolbar& toolbar, bool redo);
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
