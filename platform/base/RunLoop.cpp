// The run loop: SDL events while SDL video is up, posted tasks in posting order, repeating timers.
// It sleeps on a condition variable, or in SDL's event wait when there are SDL events to wait for.
#include "platform/base/RunLoop.h"

#include <SDL.h>

#include <algorithm>
#include <utility>

#include "platform/base/Memory.h"

namespace {

constexpr auto kMinimumInterval = std::chrono::microseconds(100);
// An SDL wait is given in whole milliseconds; this caps one wait so that a deadline far away
// still fits and so that a wake-up lost to SDL being shut down costs little. A loop with nothing
// due wakes this often (each wake costs about a millisecond of CPU); SDL notices game
// controllers plugged in when it wakes.
constexpr int kLongestSdlWaitMs = 10000;
constexpr auto kLongestWait = std::chrono::seconds(60);
// A sleep at least this long after timers ticked is a rest: the memory their frames freed goes
// back to the kernel (a timed game's clock, which wakes every second, keeps it).
constexpr auto kRestBeforeTrim = std::chrono::seconds(2);
// While timers tick, the memory their frames freed goes back this often: the frames between take
// their scratch memory from what the allocator keeps, without a page fault each.
constexpr auto kTrimWhileTicking = std::chrono::seconds(1);

bool sdlVideoUp() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

} // namespace

RunLoop::RunLoop() : pendingEvent_(std::make_unique<SDL_Event>()) {}

RunLoop::~RunLoop() = default;

RunLoop& RunLoop::main() {
    static RunLoop* const loop = new RunLoop; // never destroyed: late posts must find it
    return *loop;
}

void RunLoop::post(std::function<void()> task) {
    bool pushEvent = false;
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        if (waitingInSdl_ && !wakeEventPushed_) pushEvent = wakeEventPushed_ = true;
    }
    wake(pushEvent);
}

void RunLoop::quit() {
    bool pushEvent = false;
    {
        std::lock_guard lock(mutex_);
        quitRequested_.store(true, std::memory_order_release);
        if (waitingInSdl_ && !wakeEventPushed_) pushEvent = wakeEventPushed_ = true;
    }
    wake(pushEvent);
}

// Wakes a sleeping loop: the condition variable, and an SDL event when it sleeps in SDL's wait.
void RunLoop::wake(bool pushEvent) {
    wake_.notify_one();
    if (pushEvent) {
        SDL_Event event{};
        event.type = wakeEventType_.load(std::memory_order_acquire);
        SDL_PushEvent(&event);
    }
}

void RunLoop::setEventHandler(EventHandler handler) {
    eventHandler_ = std::move(handler);
}

RunLoop::Clock::time_point RunLoop::loopTime() const {
    return simulated_ ? simulatedNow_ : Clock::now();
}

void RunLoop::setSimulatedTime(bool on) {
    if (on == simulated_) return;
    if (on) simulatedNow_ = Clock::now();
    // Timers keep their rhythm across the switch: both clocks agree at this instant.
    const Clock::duration shift = on ? Clock::duration::zero() : Clock::now() - simulatedNow_;
    for (const auto& timer : timers_) {
        timer->nextFire_ += shift;
        if (timer->wakeAt_ != Clock::time_point::max()) timer->wakeAt_ += shift;
    }
    simulated_ = on;
}

std::shared_ptr<RunLoopTimer> RunLoop::scheduleRepeatingTimer(double intervalSeconds,
                                                              std::function<void()> tick) {
    auto interval =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(intervalSeconds));
    interval = std::max<Clock::duration>(interval, kMinimumInterval);
    std::shared_ptr<RunLoopTimer> timer(new RunLoopTimer(*this, interval, loopTime() + interval,
                                                         timersScheduled_++, std::move(tick)));
    timers_.push_back(timer);
    return timer;
}

std::size_t RunLoop::activeTimerCount() const {
    return static_cast<std::size_t>(std::count_if(
        timers_.begin(), timers_.end(), [](const auto& timer) { return timer->isValid(); }));
}

void RunLoop::run() {
    runUntil(Clock::time_point::max());
}

bool RunLoop::runUntil(Clock::time_point deadline) {
    for (;;) {
        processReady();
        if (quitRequested_.exchange(false, std::memory_order_acq_rel)) return false;
        if (loopTime() >= deadline) return true;
        waitForWork(std::min(deadline, nextTimerFire()));
    }
}

bool RunLoop::runOnce(Clock::duration maxWait) {
    if (processReady()) return true;
    const Clock::time_point until = loopTime() + maxWait;
    if (maxWait > Clock::duration::zero()) waitForWork(std::min(until, nextTimerFire()));
    return processReady();
}

bool RunLoop::processReady() {
    previousPass_ = std::exchange(currentPass_, loopTime());
    bool handled = deliverSdlEvents();
    handled = runPostedTasks() || handled;
    const bool ticked = fireDueTimers();
    tickedSinceTrim_ = tickedSinceTrim_ || ticked;
    if (ticked) {
        const Clock::time_point now = Clock::now();
        if (now - lastTrim_ >= kTrimWhileTicking) {
            lastTrim_ = now;
            releaseFreedMemory();
        }
    }
    return handled || ticked;
}

bool RunLoop::deliverSdlEvents() {
    bool handled = false;
    if (sdlEventPending_) {
        sdlEventPending_ = false;
        deliver(*pendingEvent_);
        handled = true;
    }
    if (!sdlVideoUp()) return handled;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        deliver(event);
        handled = true;
    }
    return handled;
}

void RunLoop::deliver(const SDL_Event& event) {
    const std::uint32_t wakeType = wakeEventType_.load(std::memory_order_relaxed);
    if (wakeType != 0 && event.type == wakeType) return;
    wakeSuspendedTimers();
    if (eventHandler_)
        eventHandler_(event);
    else if (event.type == SDL_QUIT)
        quit();
}

bool RunLoop::runPostedTasks() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(tasks_);
    }
    if (!batch.empty()) wakeSuspendedTimers();
    // Tasks posted by these tasks wait for the next pass, so a task that reposts itself cannot
    // starve events and timers.
    for (auto& task : batch) {
        task();
        task = nullptr; // release its captures on this thread, in order
    }
    return !batch.empty();
}

bool RunLoop::fireDueTimers() {
    const Clock::time_point now = loopTime();
    std::vector<std::shared_ptr<RunLoopTimer>> due;
    for (const auto& timer : timers_) {
        if (timer->suspended_ && timer->slotAtOrAfter(timer->wakeAt_) <= now)
            timer->wakeAt(timer->wakeAt_);
        if (timer->isValid() && !timer->suspended_ && timer->nextFire_ <= now) due.push_back(timer);
    }
    std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) {
        return a->nextFire_ != b->nextFire_ ? a->nextFire_ < b->nextFire_ : a->order_ < b->order_;
    });
    for (const auto& timer : due) {
        // An earlier tick of this pass may have invalidated or suspended it.
        if (!timer->isValid() || timer->suspended_) continue;
        // Keep the rhythm but skip whatever was missed: the next tick is the first slot of the
        // original schedule that lies in the future.
        const auto interval = timer->interval_;
        const auto late = now - timer->nextFire_;
        timer->nextFire_ += interval * (late / interval + 1);
        timer->tick_();
    }
    std::erase_if(timers_, [](const auto& timer) { return !timer->isValid(); });
    return !due.empty();
}

RunLoop::Clock::time_point RunLoop::nextTimerFire() const {
    Clock::time_point next = Clock::time_point::max();
    for (const auto& timer : timers_) {
        if (!timer->isValid()) continue;
        if (!timer->suspended_)
            next = std::min(next, timer->nextFire_);
        else if (timer->wakeAt_ != Clock::time_point::max())
            next = std::min(next, timer->slotAtOrAfter(timer->wakeAt_));
    }
    return next;
}

void RunLoop::wakeSuspendedTimers() {
    // On simulated time what this pass hands out came in during the pass before it (a script's
    // step), so a timer that had ticked on would have seen it at its first slot after that one.
    const Clock::time_point since = simulated_ ? previousPass_ + Clock::duration(1) : loopTime();
    for (const auto& timer : timers_)
        if (timer->suspended_) timer->wakeAt(since);
}

// ---- Sleeping timers ----

void RunLoopTimer::suspend(Clock::time_point wakeAt) {
    suspended_ = true;
    wakeAt_ = wakeAt;
}

void RunLoopTimer::resume() {
    wakeAt(loop_.loopTime());
}

RunLoopTimer::Clock::time_point RunLoopTimer::slotAtOrAfter(Clock::time_point t) const {
    if (t <= nextFire_) return nextFire_;
    if (t == Clock::time_point::max()) return t;
    const auto slots = (t - nextFire_ + interval_ - Clock::duration(1)) / interval_; // rounded up
    return nextFire_ + interval_ * slots;
}

void RunLoopTimer::wakeAt(Clock::time_point t) {
    if (!suspended_) return;
    suspended_ = false;
    wakeAt_ = Clock::time_point::max();
    const Clock::time_point first = slotAtOrAfter(t);
    skipped_ += static_cast<std::uint64_t>((first - nextFire_) / interval_);
    nextFire_ = first;
}

std::uint64_t RunLoopTimer::takeSkippedTicks() {
    return std::exchange(skipped_, 0);
}

void RunLoop::waitForWork(Clock::time_point until) {
    if (simulated_ && until != Clock::time_point::max()) {
        // Nothing was ready: on to the next timer (or the deadline) without sleeping.
        simulatedNow_ = std::max(simulatedNow_, until);
        return;
    }
    // No timer and no deadline: wake now and then anyway, which keeps the time arithmetic of
    // the waits far from overflow and costs nothing.
    until = std::min(until, Clock::now() + kLongestWait);
    if (tickedSinceTrim_ && until - Clock::now() >= kRestBeforeTrim) {
        tickedSinceTrim_ = false;
        releaseFreedMemory();
    }
    const bool useSdl = sdlVideoUp();
    std::unique_lock lock(mutex_);
    if (!useSdl) {
        wake_.wait_until(lock, until, [this] {
            return !tasks_.empty() || quitRequested_.load(std::memory_order_relaxed);
        });
        return;
    }
    if (!tasks_.empty() || quitRequested_.load(std::memory_order_relaxed)) return;
    if (wakeEventType_.load(std::memory_order_relaxed) == 0) {
        const Uint32 type = SDL_RegisterEvents(1);
        if (type == static_cast<Uint32>(-1)) { // no user events left: fall back to the cv
            wake_.wait_until(lock, until, [this] {
                return !tasks_.empty() || quitRequested_.load(std::memory_order_relaxed);
            });
            return;
        }
        wakeEventType_.store(type, std::memory_order_release);
    }
    waitingInSdl_ = true;
    wakeEventPushed_ = false;
    lock.unlock();

    const auto left = until - Clock::now();
    if (left > Clock::duration::zero()) {
        // Round up: waking a little late is harmless, waking early would spin until the deadline.
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        const int timeoutMs = static_cast<int>(std::min<long long>(ms, kLongestSdlWaitMs));
        if (SDL_WaitEventTimeout(pendingEvent_.get(), timeoutMs) == 1) sdlEventPending_ = true;
    }

    lock.lock();
    waitingInSdl_ = false;
}
