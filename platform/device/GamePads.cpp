// The controllers SDL opens, which one drives the game, its buttons and axes turned into
// presses, and the repeat of a held direction on the main run loop's clock.
#include "platform/device/GamePads.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"

namespace {

// A trigger counts as pulled past half its travel, and as let go under a quarter, so that a
// trigger resting near the middle does not chatter.
constexpr int kTriggerPulled = 16384;
constexpr int kTriggerLetGo = 8192;

std::optional<PadButton> buttonOf(Uint8 button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_A:
        return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B:
        return PadButton::B;
    case SDL_CONTROLLER_BUTTON_X:
        return PadButton::X;
    case SDL_CONTROLLER_BUTTON_Y:
        return PadButton::Y;
    case SDL_CONTROLLER_BUTTON_BACK:
        return PadButton::Back;
    case SDL_CONTROLLER_BUTTON_START:
        return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
        return PadButton::LeftShoulder;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
        return PadButton::RightShoulder;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return PadButton::DpadUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return PadButton::DpadDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return PadButton::DpadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return PadButton::DpadRight;
    default:
        return std::nullopt; // the guide button is the system's; the rest are rare
    }
}

bool repeats(PadButton button) {
    return button >= PadButton::DpadUp && button <= PadButton::RightStickDown;
}

// A stick's direction: the axis deflected most, once out of the dead zone.
std::optional<PadButton> stickDirection(int x, int y, PadButton up, PadButton down, PadButton left,
                                        PadButton right) {
    if (std::max(std::abs(x), std::abs(y)) < GamePads::kDeadZone) return std::nullopt;
    if (std::abs(x) > std::abs(y)) return x < 0 ? left : right;
    return y < 0 ? up : down;
}

} // namespace

struct GamePads::Pad {
    SDL_GameController* controller = nullptr;
    int instance = -1;
    int axes[SDL_CONTROLLER_AXIS_MAX] = {};
    std::optional<PadButton> leftStick, rightStick;
    bool leftPulled = false, rightPulled = false;
};

GamePads& GamePads::shared() {
    static GamePads pads;
    return pads;
}

void GamePads::start() {
    if (started_) return;
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        platformLog("no game controllers: %s", SDL_GetError());
        return;
    }
    started_ = true;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        open(i);
}

void GamePads::forgetHeld() {
    heldValid_ = false;
    if (repeat_) repeat_->invalidate();
    repeat_.reset();
}

void GamePads::shutdown() {
    forgetHeld();
    for (const auto& pad : pads_)
        SDL_GameControllerClose(pad->controller);
    pads_.clear();
    driver_ = -1;
    pressHandler_ = nullptr;
    lostHandler_ = nullptr;
    if (started_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    started_ = false;
}

std::vector<SDL_GameController*> GamePads::controllers() const {
    std::vector<SDL_GameController*> all;
    for (const auto& pad : pads_)
        all.push_back(pad->controller);
    return all;
}

void GamePads::open(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return; // no mapping: its buttons would mean nothing
    const int instance = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (const auto& pad : pads_)
        if (pad->instance == instance) return; // SDL announces the ones there at the start too
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (!controller) {
        platformLog("game controller %d cannot be opened: %s", deviceIndex, SDL_GetError());
        return;
    }
    auto pad = std::make_unique<Pad>();
    pad->controller = controller;
    pad->instance = instance;
    pads_.push_back(std::move(pad));
}

void GamePads::close(int instance) {
    const auto found = std::find_if(pads_.begin(), pads_.end(),
                                    [&](const auto& pad) { return pad->instance == instance; });
    if (found == pads_.end()) return;
    SDL_GameControllerClose((*found)->controller);
    pads_.erase(found);
    if (instance != driver_) return;
    driver_ = -1;
    forgetHeld();
    platformLog("the game controller that drove the game is gone");
    if (auto handler = lostHandler_) handler();
}

bool GamePads::handleEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
        open(e.cdevice.which); // a device index here
        return true;
    case SDL_CONTROLLERDEVICEREMOVED:
        close(e.cdevice.which); // an instance id here
        return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        if (const auto button = buttonOf(e.cbutton.button)) {
            if (e.type == SDL_CONTROLLERBUTTONDOWN)
                pressed(e.cbutton.which, *button);
            else
                released(e.cbutton.which, *button);
        }
        return true;
    case SDL_CONTROLLERAXISMOTION:
        axisMoved(e.caxis.which, e.caxis.axis, e.caxis.value);
        return true;
    default:
        return false;
    }
}

void GamePads::pressed(int instance, PadButton button) {
    if (driver_ < 0) {
        const auto found = std::find_if(pads_.begin(), pads_.end(),
                                        [&](const auto& pad) { return pad->instance == instance; });
        if (found == pads_.end()) return;
        driver_ = instance;
        platformLog("game controller \"%s\" drives the game",
                    SDL_GameControllerName((*found)->controller));
    }
    if (instance != driver_) return; // one player at a time
    if (repeats(button)) {
        held_ = button;
        heldValid_ = true;
        if (repeat_) repeat_->invalidate();
        repeat_ = RunLoop::main().scheduleRepeatingTimer(kRepeatDelay, [this] { repeatHeld(); });
    }
    if (auto handler = pressHandler_) handler({button, false});
}

void GamePads::released(int instance, PadButton button) {
    if (instance == driver_ && heldValid_ && held_ == button) forgetHeld();
}

void GamePads::repeatHeld() {
    if (!heldValid_) return;
    if (repeat_ && repeat_->interval() > kRepeatInterval) { // the delay is over
        repeat_->invalidate();
        repeat_ = RunLoop::main().scheduleRepeatingTimer(kRepeatInterval, [this] { repeatHeld(); });
    }
    if (auto handler = pressHandler_) handler({held_, true});
}

void GamePads::axisMoved(int instance, int axis, int value) {
    const auto found = std::find_if(pads_.begin(), pads_.end(),
                                    [&](const auto& pad) { return pad->instance == instance; });
    if (found == pads_.end() || axis < 0 || axis >= SDL_CONTROLLER_AXIS_MAX) return;
    Pad& pad = **found;
    pad.axes[axis] = value;
    const auto change = [&](std::optional<PadButton>& now, std::optional<PadButton> next) {
        if (now == next) return;
        if (now) released(instance, *now);
        now = next;
        if (next) pressed(instance, *next);
    };
    const auto pull = [&](bool& pulled, int travel, PadButton trigger) {
        if (!pulled && travel >= kTriggerPulled) {
            pulled = true;
            pressed(instance, trigger);
        } else if (pulled && travel < kTriggerLetGo) {
            pulled = false;
            released(instance, trigger);
        }
    };
    switch (axis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
    case SDL_CONTROLLER_AXIS_LEFTY:
        change(pad.leftStick, stickDirection(pad.axes[SDL_CONTROLLER_AXIS_LEFTX],
                                             pad.axes[SDL_CONTROLLER_AXIS_LEFTY],
                                             PadButton::LeftStickUp, PadButton::LeftStickDown,
                                             PadButton::LeftStickLeft, PadButton::LeftStickRight));
        break;
    case SDL_CONTROLLER_AXIS_RIGHTY:
        change(pad.rightStick, stickDirection(0, pad.axes[SDL_CONTROLLER_AXIS_RIGHTY],
                                              PadButton::RightStickUp, PadButton::RightStickDown,
                                              PadButton::RightStickUp, PadButton::RightStickDown));
        break;
    case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
        pull(pad.leftPulled, value, PadButton::LeftTrigger);
        break;
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
        pull(pad.rightPulled, value, PadButton::RightTrigger);
        break;
    default:
        break;
    }
}
