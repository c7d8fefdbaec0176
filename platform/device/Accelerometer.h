// The accelerometer stand-in: raw samples in g from SDL's accelerometer sensor or a game
// controller's, handed to one delegate on the main run loop at the update interval.
// SDL stays in the .cpp; nothing game-specific.
#pragma once

#include <functional>
#include <memory>

class Accelerometer;
class RunLoopTimer;

// One sample in g (SDL's m/s^2 divided by standard gravity), axes as the device reports them.
struct Acceleration {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double timestamp = 0.0; // seconds on a steady clock
};

class AccelerometerDelegate {
public:
    virtual ~AccelerometerDelegate() = default;
    virtual void accelerometer(Accelerometer* /*accelerometer*/,
                               const Acceleration& /*acceleration*/) {}
};

class Accelerometer {
public:
    // Fills the sample and returns true when the device has one; false when there is none now.
    using SampleSource = std::function<bool(Acceleration& sample)>;

    static Accelerometer& sharedAccelerometer();

    // Seconds between samples; 0 (the start) delivers nothing.
    double updateInterval() const { return updateInterval_; }
    void setUpdateInterval(double seconds);
    AccelerometerDelegate* delegate() const { return delegate_; }
    void setDelegate(AccelerometerDelegate* delegate);

    // Looks for a device again (a controller came or went). Main thread.
    void devicesChanged();
    // True while samples are being taken: a delegate, an interval and a device (or a source).
    bool isSampling() const;
    // True when there is something to sample: a device found once a delegate and an interval
    // were set, or a source standing in for one.
    bool hasDevice() const { return testSource_ || deviceSource_; }
    // Told after the devices were looked for again or the source was replaced, so that whoever
    // offers tilt can follow hasDevice(). Main thread.
    void setDevicesChangedHandler(std::function<void()> handler) {
        changedHandler_ = std::move(handler);
    }

    // Replaces the devices with `source` (tests); an empty function goes back to the devices.
    void setSampleSource(SampleSource source);
    // Closes the devices and stops sampling; the delegate, interval and handler are forgotten.
    void shutdown();

private:
    Accelerometer() = default;
    void restart(); // (re)schedules or stops the sampling timer
    void tick();

    double updateInterval_ = 0.0;
    AccelerometerDelegate* delegate_ = nullptr;
    SampleSource testSource_;
    SampleSource deviceSource_; // empty when no device is open
    std::shared_ptr<RunLoopTimer> timer_;
    std::function<void()> changedHandler_;
};
