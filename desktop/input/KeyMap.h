// The game's keys as a table of {key, modifiers, action}: the arrow keys turn the cube; W A S D
// and the keypad move the keyboard cursor, Space, Enter and keypad 5 tap under it, H hints; F2
// and Ctrl+N start a new game, P and Pause pause, Ctrl+Z undoes, Ctrl+Y and Ctrl+Shift+Z redo,
// Escape drops the selection; F1 opens the help, Shift+F1 About, Ctrl+comma the preferences,
// Ctrl+H the scores and F10 the menu. Alt with any key is no game key.
#pragma once

#include <optional>
#include <string>

#include "desktop/input/KeyboardCursor.h"
#include "platform/ui/Keys.h"

enum class GameAction {
    TurnLeft,
    TurnRight,
    TurnUp,
    TurnDown, // in kDir* order
    CursorLeft,
    CursorRight,
    CursorUp,
    CursorDown,
    CursorUpLeft,
    CursorUpRight,
    CursorDownLeft,
    CursorDownRight,
    CursorTap,
    CursorHint,
    NewGame,
    Pause,
    Undo,
    Redo,
    ClearSelection,
    // The views, taken by the panels before the game sees them.
    Help,
    About,
    Preferences,
    Scores,
    Menu,
};

// The modifiers a binding asks for (Alt never).
enum class KeyModifiers {
    None,
    Control,
    ControlShift,
    Shift,
    ShiftOrNot, // Control up, Shift either way
    Any,
};

struct KeyBinding {
    KeyCode key;
    KeyModifiers modifiers;
    GameAction action;
};

// What a key the system repeats while it is held does: turns and cursor moves go on; a tap or a
// hint is taken once and its repeats swallowed; the rest act once and let the repeats pass.
enum class KeyRepeat { Acts, Swallowed, Passes };
KeyRepeat keyRepeatOf(GameAction action);

// The action bound to the key with the modifiers held, or none.
std::optional<GameAction> gameActionForKey(const KeyEvent& key);
// The first key bound to the action, with its modifiers: the key a game controller's button
// acts as, and the one a menu shows beside the action.
KeyEvent keyForAction(GameAction action);
// The key as a player reads it on a menu: "F2", "Ctrl+Z", "Shift+F1" (the modifiers' names
// translated).
std::string keyLabel(const KeyEvent& key);
// The cursor's key for a cursor action; none for the others.
std::optional<KeyboardCursor::Key> cursorKeyOf(GameAction action);
