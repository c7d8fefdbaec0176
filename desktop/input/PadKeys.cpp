// The controller's table: one row a button, the key it is in the game and the key it is over a
// panel. Back stands for the menu: the views in turn, help, scores, preferences, then the game.
#include "desktop/input/PadKeys.h"

namespace {

struct Row {
    PadButton button;
    KeyCode inGame;  // Other: nothing
    KeyCode inPanel; // Other: nothing
    bool control = false;
};

constexpr KeyCode kNone = KeyCode::Other;

// D-pad and left stick move the keyboard cursor in the game and the focus in a panel (the
// arrows' job there); A is Space in the game and a panel's default button (Return) elsewhere.
constexpr Row kRows[] = {
    {PadButton::A, KeyCode::Space, KeyCode::Return},
    {PadButton::B, KeyCode::Escape, KeyCode::Escape},
    {PadButton::X, KeyCode::H, kNone},
    {PadButton::Y, KeyCode::Z, kNone, true}, // Ctrl+Z
    {PadButton::Start, KeyCode::P, kNone},
    {PadButton::LeftShoulder, KeyCode::Left, kNone},
    {PadButton::RightShoulder, KeyCode::Right, kNone},
    {PadButton::LeftTrigger, KeyCode::Up, kNone},
    {PadButton::RightTrigger, KeyCode::Down, kNone},
    {PadButton::RightStickUp, KeyCode::Up, KeyCode::Up},
    {PadButton::RightStickDown, KeyCode::Down, KeyCode::Down},
    {PadButton::DpadUp, KeyCode::W, KeyCode::Up},
    {PadButton::DpadDown, KeyCode::S, KeyCode::Down},
    {PadButton::DpadLeft, KeyCode::A, KeyCode::Left},
    {PadButton::DpadRight, KeyCode::D, KeyCode::Right},
    {PadButton::LeftStickUp, KeyCode::W, KeyCode::Up},
    {PadButton::LeftStickDown, KeyCode::S, KeyCode::Down},
    {PadButton::LeftStickLeft, KeyCode::A, KeyCode::Left},
    {PadButton::LeftStickRight, KeyCode::D, KeyCode::Right},
};

// Back: F1 opens the help, Ctrl+H the scores, Ctrl+comma the preferences, Escape closes them.
KeyEvent backKey(PadContext context) {
    KeyEvent key;
    switch (context) {
    case PadContext::Help:
        key.code = KeyCode::H;
        key.control = true;
        break;
    case PadContext::Scores:
        key.code = KeyCode::Comma;
        key.control = true;
        break;
    case PadContext::Preferences:
        key.code = KeyCode::Escape;
        break;
    case PadContext::Game:
    case PadContext::OtherPanel:
        key.code = KeyCode::F1;
        break;
    }
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
        key.code = context == PadContext::Game ? row.inGame : row.inPanel;
        if (key.code == kNone) return std::nullopt;
        key.control = row.control;
        key.repeat = press.repeat;
        return key;
    }
    return std::nullopt;
}
