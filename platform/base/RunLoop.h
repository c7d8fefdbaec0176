// The main thread's run loop: input events, repeating timers and tasks posted from other threads,
// all delivered on the one thread that runs the loop. Nothing game-specific; SDL stays in the .cpp.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

union SDL_Event;

class RunLoop;

// A repeating timer scheduled on a run loop. The loop keeps it alive until it is invalidated;
// dropping the handle does not stop it.
class RunLoopTimer {
public:
    RunLoopTimer(const RunLoopTimer&) = delete;
    RunLoopTimer& operator=(const RunLoopTimer&) = delete;

    // Called on the loop's thread, no tick follows once this returns, not even one that was
    // already due in the same pass. From another thread, a tick that is running may still end.
    void invalidate() { valid_.store(false, std::memory_order_release); }
    bool isValid() const { return valid_.load(std::memory_order_acquire); }
    double interval() const { return std::chrono::duration<double>(interval_).count(); }

    using Clock = std::chrono::steady_clock;
    // ---- Sleeping, on the loop's thread only ----
    // No ticks until the loop hands out an event or runs a posted task, until `wakeAt` (the
    // loop's time) or until resume(), whichever comes first. Then the ticks go on in their old
    // rhythm from the first slot at or after the wake-up (on simulated time, after the pass
    // before the one that handed out the event or task); the slots that passed meanwhile are
    // counted instead of ticked.
    void suspend(Clock::time_point wakeAt = Clock::time_point::max());
    void resume();
    bool isSuspended() const { return suspended_; }
    // The slots slept through since the last call.
    std::uint64_t takeSkippedTicks();

private:
    friend class RunLoop;
    RunLoopTimer(RunLoop& loop, Clock::duration interval, Clock::time_point firstFire,
                 std::uint64_t order, std::function<void()> tick)
        : loop_(loop), interval_(interval), nextFire_(firstFire), order_(order),
          tick_(std::move(tick)) {}
    // The first slot of the rhythm at or after `t`, never before the next one due.
    Clock::time_point slotAtOrAfter(Clock::time_point t) const;
    void wakeAt(Clock::time_point t); // ends a suspension: ticks from slotAtOrAfter(t)

    RunLoop& loop_;
    const Clock::duration interval_;
    Clock::time_point nextFire_; // loop thread only, as are the three below
    bool suspended_ = false;
    Clock::time_point wakeAt_ = Clock::time_point::max();
    std::uint64_t skipped_ = 0;
    const std::uint64_t order_; // scheduling order: breaks ties between timers due together
    std::function<void()> tick_;
    std::atomic<bool> valid_{true};
};

class RunLoop {
public:
    using Clock = std::chrono::steady_clock;
    // Gets every SDL event the loop takes from SDL's queue, except the loop's own wake-ups.
    using EventHandler = std::function<void(const SDL_Event& event)>;

    RunLoop();
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The process's main loop, run by the main thread; the system services post to it. It is
    // never destroyed, so audio and worker threads may post to it until the process ends.
    static RunLoop& main();

    // ---- Any thread ----

    // Runs the task on the loop's thread, after the tasks posted before it, and wakes the loop.
    void post(std::function<void()> task);
    // Makes the running (or the next) run()/runUntil() return after the current pass.
    void quit();

    // ---- The loop's thread only ----

    // SDL events are read only while SDL video is initialised. Without a handler, SDL_QUIT quits.
    void setEventHandler(EventHandler handler);

    // A timer that calls `tick` every `intervalSeconds` (at least 0.1 ms) from now on. Ticks never
    // come early and missed ones are skipped after a stall: the next tick keeps the original
    // rhythm instead of catching up in a burst.
    std::shared_ptr<RunLoopTimer> scheduleRepeatingTimer(double intervalSeconds,
                                                         std::function<void()> tick);
    // Timers scheduled and not yet invalidated.
    std::size_t activeTimerCount() const;

    // The loop's time: the steady clock, or the simulated one. Timers fire by it.
    Clock::time_point loopTime() const;
    // Simulated time (scripted runs): from now on the loop never sleeps; whenever nothing is ready
    // its time jumps to the next timer's fire, so timers tick back to back in their rhythm and a
    // run repeats exactly whatever the machine's speed. Off: back to the steady clock.
    void setSimulatedTime(bool on);
    bool isSimulatedTime() const { return simulated_; }

    // Runs until quit(). Sleeps between events, tasks and ticks.
    void run();
    // Runs until the deadline or quit(); false when quit() ended it.
    bool runUntil(Clock::time_point deadline);
    // One pass: handles what is ready; when nothing was, waits at most `maxWait` for something
    // and handles that. True when an event, task or tick was handled.
    bool runOnce(Clock::duration maxWait = Clock::duration::zero());

private:
    bool processReady();                  // events, then posted tasks, then due timers
    void wake(bool pushEvent);            // after a post or a quit
    bool deliverSdlEvents();              // SDL video only
    void deliver(const SDL_Event& event); // to the handler, or the default handling
    bool runPostedTasks();
    bool fireDueTimers();
    void wakeSuspendedTimers(); // the loop has something to hand out
    Clock::time_point nextTimerFire() const;
    void waitForWork(Clock::time_point until); // returns early on a post, a quit or an SDL event

    // Shared with posting threads.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool waitingInSdl_ = false; // the loop sleeps in SDL's event wait, not on wake_
    bool wakeEventPushed_ = false;
    std::atomic<std::uint32_t> wakeEventType_{0}; // registered SDL user event; 0 before
    std::atomic<bool> quitRequested_{false};

    // Loop thread only.
    EventHandler eventHandler_;
    std::vector<std::shared_ptr<RunLoopTimer>> timers_;
    std::uint64_t timersScheduled_ = 0;
    bool sdlEventPending_ = false; // an event taken by the SDL wait and not yet delivered
    bool simulated_ = false;
    Clock::time_point lastTrim_{}; // when freed memory last went back while timers ticked
    bool tickedSinceTrim_ = false; // a timer ticked since freed memory last went back
    Clock::time_point simulatedNow_{};
    Clock::time_point currentPass_{}, previousPass_{}; // loop times of the latest passes
    std::unique_ptr<SDL_Event> pendingEvent_;
};

// Posts to the main loop: the stand-in for performing a selector on the main thread.
inline void performOnMainThread(std::function<void()> task) {
    RunLoop::main().post(std::move(task));
}
