#include "desktop/input/KeyMap.h"

#include <iterator>

#include "platform/base/Translation.h"

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
    {KeyCode::Y, M::Control, A::Redo}, // first: the one a menu shows
    {KeyCode::Z, M::ControlShift, A::Redo},
    {KeyCode::Escape, M::None, A::ClearSelection},
    {KeyCode::F1, M::None, A::Help},
    {KeyCode::F1, M::Shift, A::About},
    {KeyCode::Comma, M::Control, A::Preferences},
    {KeyCode::H, M::Control, A::Scores},
    {KeyCode::F10, M::None, A::Menu},
};

bool held(KeyModifiers modifiers, const KeyEvent& key) {
    switch (modifiers) {
    case M::None:
        return !key.control && !key.shift;
    case M::Control:
        return key.control && !key.shift;
    case M::ControlShift:
        return key.control && key.shift;
    case M::Shift:
        return !key.control && key.shift;
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
        key.shift = binding.modifiers == M::ControlShift || binding.modifiers == M::Shift;
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

std::string keyLabel(const KeyEvent& key) {
    std::string name;
    const int code = static_cast<int>(key.code);
    if (key.code >= KeyCode::F1 && key.code <= KeyCode::F12) {
        name = "F" + std::to_string(code - static_cast<int>(KeyCode::F1) + 1);
    } else if (key.code >= KeyCode::A && key.code <= KeyCode::Z) {
        name = std::string(1, static_cast<char>('A' + code - static_cast<int>(KeyCode::A)));
    } else if (key.code >= KeyCode::Digit0 && key.code <= KeyCode::Digit9) {
        name = std::string(1, static_cast<char>('0' + code - static_cast<int>(KeyCode::Digit0)));
    } else {
        switch (key.code) {
        case KeyCode::Comma: name = ","; break;
        // TRANSLATORS: key names as printed on a keyboard, shown beside a menu's items.
        case KeyCode::Escape: name = _("Esc"); break;
        case KeyCode::Return: name = _("Enter"); break;
        case KeyCode::Space: name = _("Space"); break;
        case KeyCode::Pause: name = _("Pause"); break;
        default: return {};
        }
    }
    // TRANSLATORS: the Shift key before another key, as in "Shift+F1".
    if (key.shift) name = std::string(_("Shift+")) + name;
    // TRANSLATORS: the Control key before another key, as in "Ctrl+Z".
    if (key.control) name = std::string(_("Ctrl+")) + name;
    return name;
}
