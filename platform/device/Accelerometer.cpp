// The accelerometer: the first accelerometer sensor SDL knows, else the first open game
// controller with one (GamePads opens them), read by a repeating timer on the main run loop.
// Without a device no timer runs, so a desktop without one pays nothing for it.
#include "platform/device/Accelerometer.h"

#include <SDL.h>

#include <chrono>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/device/GamePads.h"

namespace {

struct Devices {
    bool tried = false;     // the sensor subsystem started (or refused) once
    bool sensorsUp = false; // SDL_INIT_SENSOR started here
    SDL_Sensor* sensor = nullptr;
    // By SDL's instance id: GamePads closes the controller when it is unplugged.
    SDL_JoystickID controller = -1;
};

Devices& devices() {
    static Devices d;
    return d;
}

void closeDevices() {
    Devices& d = devices();
    if (d.sensor) SDL_SensorClose(d.sensor);
    if (SDL_GameController* controller = SDL_GameControllerFromInstanceID(d.controller))
        SDL_GameControllerSetSensorEnabled(controller, SDL_SENSOR_ACCEL, SDL_FALSE);
    d.sensor = nullptr;
    d.controller = -1;
}

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool toSample(const float data[3], Acceleration& sample) {
    sample.x = static_cast<double>(data[0]) / static_cast<double>(SDL_STANDARD_GRAVITY);
    sample.y = static_cast<double>(data[1]) / static_cast<double>(SDL_STANDARD_GRAVITY);
    sample.z = static_cast<double>(data[2]) / static_cast<double>(SDL_STANDARD_GRAVITY);
    sample.timestamp = steadySeconds();
    return true;
}

bool readSensor(Acceleration& sample) {
    float data[3] = {};
    SDL_Sensor* sensor = devices().sensor;
    return sensor && SDL_SensorGetData(sensor, data, 3) == 0 && toSample(data, sample);
}

bool readController(Acceleration& sample) {
    float data[3] = {};
    SDL_GameController* controller = SDL_GameControllerFromInstanceID(devices().controller);
    return controller &&
           SDL_GameControllerGetSensorData(controller, SDL_SENSOR_ACCEL, data, 3) == 0 &&
           toSample(data, sample);
}

// Opens the first device with an accelerometer; the reader for it, or an empty one.
Accelerometer::SampleSource openDevice() {
    Devices& d = devices();
    closeDevices();
    if (!d.tried) {
        d.tried = true;
        d.sensorsUp = SDL_InitSubSystem(SDL_INIT_SENSOR) == 0;
    }
    for (int i = 0; d.sensorsUp && i < SDL_NumSensors() && !d.sensor; ++i)
        if (SDL_SensorGetDeviceType(i) == SDL_SENSOR_ACCEL) d.sensor = SDL_SensorOpen(i);
    if (d.sensor) {
        platformLog("tilt: accelerometer \"%s\"", SDL_SensorGetName(d.sensor));
        return readSensor;
    }
    for (SDL_GameController* controller : GamePads::shared().controllers()) {
        if (!SDL_GameControllerHasSensor(controller, SDL_SENSOR_ACCEL) ||
            SDL_GameControllerSetSensorEnabled(controller, SDL_SENSOR_ACCEL, SDL_TRUE) != 0)
            continue;
        d.controller = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
        platformLog("tilt: accelerometer of controller \"%s\"", SDL_GameControllerName(controller));
        return readController;
    }
    return {};
}

} // namespace

Accelerometer& Accelerometer::sharedAccelerometer() {
    static Accelerometer accelerometer;
    return accelerometer;
}

void Accelerometer::setUpdateInterval(double seconds) {
    updateInterval_ = seconds > 0.0 ? seconds : 0.0;
    restart();
}

void Accelerometer::setDelegate(AccelerometerDelegate* delegate) {
    delegate_ = delegate;
    restart();
}

void Accelerometer::devicesChanged() {
    deviceSource_ = {};
    restart();
    if (std::function<void()> told = changedHandler_) told();
}

bool Accelerometer::isSampling() const {
    return timer_ && timer_->isValid();
}

void Accelerometer::setSampleSource(SampleSource source) {
    testSource_ = std::move(source);
    restart();
    if (std::function<void()> told = changedHandler_) told();
}

void Accelerometer::shutdown() {
    if (timer_) timer_->invalidate();
    timer_.reset();
    delegate_ = nullptr;
    changedHandler_ = nullptr;
    updateInterval_ = 0.0;
    deviceSource_ = {};
    closeDevices();
    Devices& d = devices();
    if (d.sensorsUp) SDL_QuitSubSystem(SDL_INIT_SENSOR);
    d = Devices{};
}

void Accelerometer::restart() {
    if (timer_) timer_->invalidate();
    timer_.reset();
    if (!delegate_ || updateInterval_ <= 0.0) return;
    if (!testSource_ && !deviceSource_) deviceSource_ = openDevice();
    if (!testSource_ && !deviceSource_) return; // nothing to sample until a device comes
    timer_ = RunLoop::main().scheduleRepeatingTimer(updateInterval_, [this] { tick(); });
}

void Accelerometer::tick() {
    Acceleration sample;
    const SampleSource& source = testSource_ ? testSource_ : deviceSource_;
    if (!source || !source(sample) || !delegate_) return;
    delegate_->accelerometer(this, sample);
}
