// Keys as the window's views and the application's delegate see them: a neutral code and the
// modifiers held, with SDL left behind in the application's event handling.
#pragma once

// The keys the game's views and commands act on; everything else is Other.
enum class KeyCode {
    Other,
    Escape, Return, Space, Tab, Backspace, Pause, Comma,
    Left, Right, Up, Down,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z,
    Digit0, Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9,
    // The numeric keypad's digits, whatever Num Lock says; its Enter is Return.
    Keypad0, Keypad1, Keypad2, Keypad3, Keypad4, Keypad5, Keypad6, Keypad7, Keypad8, Keypad9,
};

struct KeyEvent {
    KeyCode code = KeyCode::Other;
    bool control = false;
    bool shift = false;
    bool alt = false;
    bool repeat = false; // the key is held and the system repeats it
};
