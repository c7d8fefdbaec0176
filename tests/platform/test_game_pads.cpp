// Game controllers through SDL's virtual joysticks, mapped by SDL as real pads are: the sticks'
// dead zone and directions, a held direction's repeat on the run loop's clock, the triggers'
// pull and release, and which controller drives the game as pads come and go.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <vector>

#include "platform/base/RunLoop.h"
#include "platform/device/GamePads.h"

using namespace std::chrono_literals;

namespace {

class GamePadsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No window here has the keyboard focus, which SDL otherwise waits for.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        GamePads::shared().start();
        GamePads::shared().setPressHandler([this](const PadPress& p) { presses.push_back(p); });
        GamePads::shared().setDriverLostHandler([this] { ++lost; });
        RunLoop::main().setSimulatedTime(true);
        pads.reserve(4); // plug() hands out references into it
    }
    void TearDown() override {
        for (SDL_Joystick* pad : pads)
            if (pad) unplug(pad);
        GamePads::shared().shutdown();
        RunLoop::main().setSimulatedTime(false);
    }

    SDL_Joystick*& plug() {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        EXPECT_GE(index, 0) << SDL_GetError();
        pads.push_back(SDL_JoystickOpen(index));
        for (const int trigger :
             {SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT})
            SDL_JoystickSetVirtualAxis(pads.back(), trigger, SDL_JOYSTICK_AXIS_MIN); // at rest
        pump();
        return pads.back();
    }
    void unplug(SDL_Joystick*& pad) {
        const SDL_JoystickID id = SDL_JoystickInstanceID(pad);
        SDL_JoystickClose(pad);
        pad = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
        pump();
    }
    // SDL reads the virtual pads, then its controller events go where the application sends them.
    void pump() {
        SDL_PumpEvents();
        SDL_Event e;
        while (SDL_PollEvent(&e))
            GamePads::shared().handleEvent(e);
        presses.clear(); // SDL's first reading of a pad may say nothing new
    }
    std::vector<PadButton> pressed(bool repeats = false) {
        SDL_PumpEvents();
        SDL_Event e;
        while (SDL_PollEvent(&e))
            GamePads::shared().handleEvent(e);
        std::vector<PadButton> buttons;
        for (const PadPress& p : presses)
            if (p.repeat == repeats) buttons.push_back(p.button);
        presses.clear();
        return buttons;
    }
    void tap(SDL_Joystick* pad, int button) {
        SDL_JoystickSetVirtualButton(pad, button, SDL_PRESSED);
        SDL_PumpEvents();
        SDL_JoystickSetVirtualButton(pad, button, SDL_RELEASED);
    }
    static void wait(RunLoop::Clock::duration d) {
        RunLoop::main().runUntil(RunLoop::main().loopTime() + d);
    }

    std::vector<SDL_Joystick*> pads;
    std::vector<PadPress> presses;
    int lost = 0;
};

TEST_F(GamePadsTest, TheSticksCountOutsideTheirDeadZoneByTheAxisPushedFurthest) {
    SDL_Joystick* pad = plug();
    using B = PadButton;
    const struct {
        int axis, value, other;
        std::vector<B> presses;
    } rows[] = {
        {SDL_CONTROLLER_AXIS_LEFTX, 9000, 0, {}}, // inside the dead zone
        {SDL_CONTROLLER_AXIS_LEFTX, 20000, 0, {B::LeftStickRight}},
        {SDL_CONTROLLER_AXIS_LEFTX, -32768, 0, {B::LeftStickLeft}},
        {SDL_CONTROLLER_AXIS_LEFTY, 30000, 10000, {B::LeftStickDown}},
        {SDL_CONTROLLER_AXIS_LEFTY, -20000, -25000, {B::LeftStickLeft}}, // x is pushed further
        {SDL_CONTROLLER_AXIS_RIGHTY, -20000, 0, {B::RightStickUp}},
        {SDL_CONTROLLER_AXIS_RIGHTY, 32767, 0, {B::RightStickDown}},
        {SDL_CONTROLLER_AXIS_RIGHTX, 0, 32767, {}}, // the right stick's x turns nothing
    };
    for (const auto& row : rows) {
        const int other = row.axis == SDL_CONTROLLER_AXIS_LEFTY   ? SDL_CONTROLLER_AXIS_LEFTX
                          : row.axis == SDL_CONTROLLER_AXIS_LEFTX ? SDL_CONTROLLER_AXIS_LEFTY
                                                                  : SDL_CONTROLLER_AXIS_RIGHTX;
        SDL_JoystickSetVirtualAxis(pad, row.axis, static_cast<Sint16>(row.value));
        SDL_JoystickSetVirtualAxis(pad, other, static_cast<Sint16>(row.other));
        EXPECT_EQ(pressed(), row.presses) << row.axis << " at " << row.value;
        SDL_JoystickSetVirtualAxis(pad, row.axis, 0);
        SDL_JoystickSetVirtualAxis(pad, other, 0);
        pump();
    }
}

TEST_F(GamePadsTest, AHeldDirectionRepeatsAsAHeldKeyDoes) {
    SDL_Joystick* pad = plug();
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, SDL_PRESSED);
    EXPECT_EQ(pressed(), std::vector<PadButton>{PadButton::DpadRight});
    wait(350ms);
    EXPECT_TRUE(pressed(true).empty()) << "before the delay";
    wait(300ms); // 0.4, 0.5 and 0.6 s
    EXPECT_EQ(pressed(true).size(), 3u);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, SDL_RELEASED);
    pressed();
    wait(1s);
    EXPECT_TRUE(pressed(true).empty()) << "let go";
}

TEST_F(GamePadsTest, ATriggerPressesOncePerPull) {
    SDL_Joystick* pad = plug();
    for (int pull = 0; pull < 2; ++pull) {
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_JOYSTICK_AXIS_MAX);
        EXPECT_EQ(pressed(), std::vector<PadButton>{PadButton::LeftTrigger}) << pull;
        wait(1s);
        EXPECT_TRUE(pressed(true).empty()) << "a trigger does not repeat";
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_JOYSTICK_AXIS_MIN);
        EXPECT_TRUE(pressed().empty());
    }
}

TEST_F(GamePadsTest, TheFirstPadUsedDrivesUntilItIsUnplugged) {
    SDL_Joystick*& first = plug();
    SDL_Joystick*& second = plug();
    EXPECT_EQ(GamePads::shared().controllers().size(), 2u);
    EXPECT_FALSE(GamePads::shared().hasDriver());
    tap(second, SDL_CONTROLLER_BUTTON_A);
    EXPECT_EQ(pressed(), std::vector<PadButton>{PadButton::A});
    tap(first, SDL_CONTROLLER_BUTTON_B);
    EXPECT_TRUE(pressed().empty()) << "one player at a time";
    unplug(first);
    EXPECT_EQ(lost, 0) << "it did not drive";
    SDL_JoystickSetVirtualButton(second, SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_PRESSED);
    pressed();
    unplug(second);
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(GamePads::shared().controllers().empty());
    wait(1s);
    EXPECT_TRUE(pressed(true).empty()) << "a held direction of a pad gone";
    SDL_Joystick* third = plug();
    tap(third, SDL_CONTROLLER_BUTTON_X);
    EXPECT_EQ(pressed(), std::vector<PadButton>{PadButton::X}) << "a new pad drives";
}

} // namespace
