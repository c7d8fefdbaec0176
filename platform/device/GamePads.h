// Game controllers through SDL's game controller support: SDL's mapping database and the
// player's own SDL_GAMECONTROLLERCONFIG name the buttons, whatever the pad. Controllers are
// opened as they come and closed as they go; the first one used drives the game until it is
// unplugged. Its buttons, the D-pad and the sticks' directions reach one handler as neutral
// presses, a held direction repeating as a held key does. SDL stays in the .cpp; nothing
// game-specific.
#pragma once

#include <functional>
#include <memory>
#include <vector>

union SDL_Event;
struct _SDL_GameController;
class RunLoopTimer;

// By SDL's names; a stick's direction counts once it leaves the dead zone, a trigger once it
// is pulled half way.
enum class PadButton {
    A,
    B,
    X,
    Y,
    Back,
    Start,
    LeftShoulder,
    RightShoulder,
    LeftTrigger,
    RightTrigger,
    DpadUp,
    DpadDown,
    DpadLeft,
    DpadRight,
    LeftStickUp,
    LeftStickDown,
    LeftStickLeft,
    LeftStickRight,
    RightStickUp,
    RightStickDown,
};

struct PadPress {
    PadButton button = PadButton::A;
    bool repeat = false; // a direction held past the repeat delay
};

class GamePads {
public:
    using PressHandler = std::function<void(const PadPress& press)>;

    static GamePads& shared();

    // Starts SDL's controller support and opens the controllers already there. Main thread;
    // again after shutdown().
    void start();
    // Closes them; the handlers are forgotten.
    void shutdown();

    // SDL's controller events: a controller added or removed, a button, an axis. False for
    // any other event.
    bool handleEvent(const SDL_Event& event);

    void setPressHandler(PressHandler handler) { pressHandler_ = std::move(handler); }
    // Told when the controller driving the game is unplugged.
    void setDriverLostHandler(std::function<void()> handler) { lostHandler_ = std::move(handler); }

    // A held direction stops repeating (the window lost the focus, and with it the release).
    void forgetHeld();

    // The open controllers, oldest first, for the accelerometer.
    std::vector<_SDL_GameController*> controllers() const;
    bool hasDriver() const { return driver_ >= 0; }

    // A full deflection is 32767; inside this the stick is at rest.
    static constexpr int kDeadZone = 12000;
    // Seconds a direction is held before it repeats, then between repeats.
    static constexpr double kRepeatDelay = 0.4;
    static constexpr double kRepeatInterval = 0.1;

private:
    GamePads() = default;
    void open(int deviceIndex);
    void close(int instance);
    void pressed(int instance, PadButton button);
    void released(int instance, PadButton button);
    void axisMoved(int instance, int axis, int value);
    void repeatHeld();

    struct Pad;
    std::vector<std::unique_ptr<Pad>> pads_;
    bool started_ = false;
    int driver_ = -1; // SDL's instance id of the controller that drives the game
    PressHandler pressHandler_;
    std::function<void()> lostHandler_;
    bool heldValid_ = false;
    PadButton held_ = PadButton::DpadUp; // the direction that repeats while held
    std::shared_ptr<RunLoopTimer> repeat_;
};
