// The serial operation queue: one worker thread, a FIFO of operations, condition variables for
// the worker and for the waiters. No busy waiting and no game state.
#include "platform/base/OperationQueue.h"

#include <utility>

Operation::~Operation() = default;

void Operation::setCompletionBlock(std::function<void()> block) {
    std::lock_guard lock(completionMutex_);
    completion_ = std::move(block);
}

void Operation::runOnQueue() {
    if (!isCancelled()) main();
    finished_.store(true, std::memory_order_release);
    std::function<void()> block;
    {
        std::lock_guard lock(completionMutex_);
        block = std::move(completion_);
        completion_ = nullptr; // exactly once, and the block's captures go with it
    }
    if (block) block();
}

OperationQueue::OperationQueue()
    : worker_([this](std::stop_token stop) { workerLoop(std::move(stop)); }) {}

OperationQueue::~OperationQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    cancelAllOperations();
    // The worker drains what is left (all cancelled, so only completions run) and then exits.
    worker_.request_stop();
    worker_.join();
}

void OperationQueue::addOperation(std::shared_ptr<Operation> op) {
    if (!op || op->enqueued_.exchange(true)) return;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) op->cancel();
        pending_.push_back(std::move(op));
    }
    workAvailable_.notify_one();
}

void OperationQueue::cancelAllOperations() {
    std::lock_guard lock(mutex_);
    if (running_) running_->cancel();
    for (const auto& op : pending_)
        op->cancel();
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock lock(mutex_);
    allDone_.wait(lock, [this] { return pending_.empty() && !running_; });
}

std::size_t OperationQueue::operationCount() const {
    std::lock_guard lock(mutex_);
    return pending_.size() + (running_ ? 1u : 0u);
}

void OperationQueue::workerLoop(std::stop_token stop) {
    for (;;) {
        std::shared_ptr<Operation> op;
        {
            std::unique_lock lock(mutex_);
            // Wakes on new work or on a stop request; after a stop, queued work is still drained
            // so that every completion block runs.
            workAvailable_.wait(lock, stop, [this] { return !pending_.empty(); });
            if (pending_.empty()) return;
            op = std::move(pending_.front());
            pending_.pop_front();
            running_ = op;
        }
        op->runOnQueue();
        {
            std::lock_guard lock(mutex_);
            running_.reset();
            if (pending_.empty()) allDone_.notify_all();
        }
        // `op` may hold the last reference: it is destroyed here, outside the lock.
    }
}
