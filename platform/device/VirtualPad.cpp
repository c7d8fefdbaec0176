// The virtual controller: SDL's virtual joystick with one button and one axis for each of the
// standard controller's, which SDL maps to them one to one.
#include "platform/device/VirtualPad.h"

#include <SDL.h>

#include "platform/base/Log.h"

namespace {

SDL_Joystick* joystick = nullptr;
int deviceIndex = -1;

} // namespace

namespace virtualpad {

bool isControlName(const std::string& name) {
    return SDL_GameControllerGetButtonFromString(name.c_str()) != SDL_CONTROLLER_BUTTON_INVALID ||
           name == "lefttrigger" || name == "righttrigger";
}

bool attach() {
    if (joystick) return true;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Spheron virtual controller";
    deviceIndex = SDL_JoystickAttachVirtualEx(&desc);
    if (deviceIndex >= 0) joystick = SDL_JoystickOpen(deviceIndex);
    if (!joystick) {
        platformLog("script: no virtual game controller: %s", SDL_GetError());
        if (deviceIndex >= 0) SDL_JoystickDetachVirtual(deviceIndex);
        deviceIndex = -1;
        return false;
    }
    // SDL maps a trigger's whole axis, from its least to its most, onto the trigger's travel.
    set("lefttrigger", false);
    set("righttrigger", false);
    return true;
}

void detach() {
    if (!joystick) return;
    // Our handle first: the device index is only valid until the list of devices changes.
    const SDL_JoystickID instance = SDL_JoystickInstanceID(joystick);
    SDL_JoystickClose(joystick);
    joystick = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == instance) SDL_JoystickDetachVirtual(i);
    deviceIndex = -1;
}

bool isAttached() {
    return joystick != nullptr;
}

void set(const std::string& name, bool down) {
    if (!joystick) {
        if (down)
            platformLog("script: --pad %s: the virtual controller is unplugged", name.c_str());
        return;
    }
    const SDL_GameControllerButton button = SDL_GameControllerGetButtonFromString(name.c_str());
    if (button != SDL_CONTROLLER_BUTTON_INVALID) {
        SDL_JoystickSetVirtualButton(joystick, button, down ? SDL_PRESSED : SDL_RELEASED);
        return;
    }
    const SDL_GameControllerAxis axis = SDL_GameControllerGetAxisFromString(name.c_str());
    if (axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT || axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT)
        SDL_JoystickSetVirtualAxis(joystick, axis,
                                   down ? SDL_JOYSTICK_AXIS_MAX : SDL_JOYSTICK_AXIS_MIN);
}

} // namespace virtualpad
