// SDL's key codes as the window's views and the delegate see them.
#include "platform/app/ApplicationParts.h"

#include <SDL.h>

KeyCode keyCodeOfSdlKey(std::int32_t key) {
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<KeyCode>(static_cast<int>(KeyCode::A) + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<KeyCode>(static_cast<int>(KeyCode::Digit0) + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return static_cast<KeyCode>(static_cast<int>(KeyCode::F1) + (key - SDLK_F1));
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) // SDL puts the keypad's 0 after its 9
        return static_cast<KeyCode>(static_cast<int>(KeyCode::Keypad1) + (key - SDLK_KP_1));
    switch (key) {
    case SDLK_KP_0:
        return KeyCode::Keypad0;
    case SDLK_ESCAPE:
        return KeyCode::Escape;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return KeyCode::Return;
    case SDLK_SPACE:
        return KeyCode::Space;
    case SDLK_TAB:
        return KeyCode::Tab;
    case SDLK_BACKSPACE:
        return KeyCode::Backspace;
    case SDLK_PAUSE:
        return KeyCode::Pause;
    case SDLK_COMMA:
        return KeyCode::Comma;
    case SDLK_LEFT:
        return KeyCode::Left;
    case SDLK_RIGHT:
        return KeyCode::Right;
    case SDLK_UP:
        return KeyCode::Up;
    case SDLK_DOWN:
        return KeyCode::Down;
    default:
        return KeyCode::Other;
    }
}
