#include "desktop/input/KeyMap.h"

#include <iterator>

namespace {

using A = GameAction;
using M = KeyModifiers;

constexpr KeyBinding kKeyMap[] = {
    {KeyCode::Left, M::None, A::TurnLeft},
    {KeyCode::Right, M::None, A::TurnRight},
    {KeyCode::Up, M::None, A::TurnUp},
    {KeyCode::Down, M::None, A::TurnDown},
    {KeyCode::A, M::None, A::CursorLeft},
    {KeyCode::Keypad4, M::None, A::CursorLeft},
    {KeyCode::D, M::None, A::CursorRight},
    {KeyCode::Keypad6, M::None, A::CursorRight},
    {KeyCode::W, M::None, A::CursorUp},
    {KeyCode::Keypad8, M::None, A::CursorUp},
    {KeyCode::S, M::None, A::CursorDown},
    {KeyCode::Keypad2, M::None, A::CursorDown},
    {KeyCode::Keypad7, M::None, A::CursorUpLeft},
    {KeyCode::Keypad9, M::None, A::CursorUpRight},
    {KeyCode::Keypad1, M::None, A::CursorDownLeft},
    {KeyCode::Keypad3, M::None, A::CursorDownRight},
    {KeyCode::Space, M::None, A::CursorTap},
    {KeyCode::Return, M::None, A::CursorTap},
    {KeyCode::Keypad5, M::None, A::CursorTap},
    {KeyCode::H, M::None, A::CursorHint},
    {KeyCode::F2, M::ShiftOrNot, A::NewGame},
    {KeyCode::N, M::Control, A::NewGame},
    {KeyCode::P, M::ShiftOrNot, A::Pause},
    {KeyCode::Pause, M::Any, A::Pause},
    {KeyCode::Z, M::Control, A::Undo},
    {KeyCode::Z, M::ControlShift, A::Redo},
    {KeyCode::Y, M::Control, A::Redo},
    {KeyCode::Escape, M::None, A::ClearSelection},
};

bool held(KeyModifiers modifiers, const KeyEvent& key) {
    switch (modifiers) {
    case M::None:
        return !key.control && !key.shift;
    case M::Control:
        return key.control && !key.shift;
    case M::ControlShift:
        return key.control && key.shift;
    case M::ShiftOrNot:
        return !key.control;
    case M::Any:
        return true;
    }
    return false;
}

} // namespace

std::optional<GameAction> gameActionForKey(const KeyEvent& key) {
    if (key.alt) return std::nullopt;
    for (const KeyBinding& binding : kKeyMap)
        if (binding.key == key.code && held(binding.modifiers, key)) return binding.action;
    return std::nullopt;
}

KeyEvent keyForAction(GameAction action) {
    KeyEvent key;
    for (const KeyBinding& binding : kKeyMap) {
        if (binding.action != action) continue;
        key.code = binding.key;
        key.control = binding.modifiers == M::Control || binding.modifiers == M::ControlShift;
        key.shift = binding.modifiers == M::ControlShift;
        break;
    }
    return key;
}

KeyRepeat keyRepeatOf(GameAction action) {
    if (action == A::CursorTap || action == A::CursorHint) return KeyRepeat::Swallowed;
    if (action <= A::CursorDownRight) return KeyRepeat::Acts;
    return KeyRepeat::Passes;
}

std::optional<KeyboardCursor::Key> cursorKeyOf(GameAction action) {
    using K = KeyboardCursor::Key;
    constexpr K keys[] = {K::Left,    K::Right,    K::Up,        K::Down, K::UpLeft,
                          K::UpRight, K::DownLeft, K::DownRight, K::Tap,  K::Hint};
    const int i = static_cast<int>(action) - static_cast<int>(A::CursorLeft);
    if (i < 0 || i >= static_cast<int>(std::size(keys))) return std::nullopt;
    return keys[i];
}
