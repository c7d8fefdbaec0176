// The controller's table: one row a button, the game's action it takes (as the key map's key for
// it) and the key it is over a panel. Back opens the game's menu, and closes it again.
#include "desktop/input/PadKeys.h"

namespace {

using A = GameAction;

struct Row {
    PadButton button;
    A inGame;        // through the key map's key for it
    KeyCode inPanel; // Other: nothing
};

constexpr KeyCode kNone = KeyCode::Other;

// D-pad and left stick move the keyboard cursor in the game and the focus in a panel (the
// arrows' job there); A taps in the game and is a panel's default button (Return) elsewhere.
constexpr Row kRows[] = {
    {PadButton::A, A::CursorTap, KeyCode::Return},
    {PadButton::B, A::ClearSelection, KeyCode::Escape},
    {PadButton::X, A::CursorHint, kNone},
    {PadButton::Y, A::Undo, kNone},
    {PadButton::Start, A::Pause, kNone},
    {PadButton::LeftShoulder, A::TurnLeft, kNone},
    {PadButton::RightShoulder, A::TurnRight, kNone},
    {PadButton::LeftTrigger, A::TurnUp, kNone},
    {PadButton::RightTrigger, A::TurnDown, kNone},
    {PadButton::RightStickUp, A::TurnUp, KeyCode::Up},
    {PadButton::RightStickDown, A::TurnDown, KeyCode::Down},
    {PadButton::DpadUp, A::CursorUp, KeyCode::Up},
    {PadButton::DpadDown, A::CursorDown, KeyCode::Down},
    {PadButton::DpadLeft, A::CursorLeft, KeyCode::Left},
    {PadButton::DpadRight, A::CursorRight, KeyCode::Right},
    {PadButton::LeftStickUp, A::CursorUp, KeyCode::Up},
    {PadButton::LeftStickDown, A::CursorDown, KeyCode::Down},
    {PadButton::LeftStickLeft, A::CursorLeft, KeyCode::Left},
    {PadButton::LeftStickRight, A::CursorRight, KeyCode::Right},
};

// Back: the menu's key opens the menu (over the game or a view); Escape closes it.
KeyEvent backKey(PadContext context) {
    if (context != PadContext::Menu) return keyForAction(A::Menu);
    KeyEvent key;
    key.code = KeyCode::Escape;
    return key;
}

} // namespace

std::optional<KeyEvent> padKey(const PadPress& press, PadContext context) {
    if (press.button == PadButton::Back) {
        if (press.repeat) return std::nullopt;
        return backKey(context);
    }
    for (const Row& row : kRows) {
        if (row.button != press.button) continue;
        KeyEvent key;
        if (context == PadContext::Game)
            key = keyForAction(row.inGame);
        else
            key.code = row.inPanel;
        if (key.code == kNone) return std::nullopt;
        key.repeat = press.repeat;
        return key;
    }
    return std::nullopt;
}
