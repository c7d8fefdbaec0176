// The game controller's buttons as keys: each press becomes the key that does the same thing,
// so that the controller works every view and panel exactly as the keyboard does, with the
// focus the keyboard shows. What a button does depends on what the player sees.
#pragma once

#include <optional>

#include "desktop/input/KeyMap.h"
#include "platform/device/GamePads.h"
#include "platform/ui/Keys.h"

enum class PadContext {
    Game,        // the cube, or its pause cover
    Help,        // the help view
    Scores,      // the scores view
    Preferences, // the preferences view
    OtherPanel,  // the game-over panel or the About alert
    Menu,        // the game's menu
};

// The key a press acts as; none when the button does nothing there.
std::optional<KeyEvent> padKey(const PadPress& press, PadContext context);
