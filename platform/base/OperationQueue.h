// A background operation and a serial queue that runs such operations on a worker thread of its
// own. Nothing game-specific and no SDL: the standard library's threads alone.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

// One unit of work. Subclass it and override main(), which should poll isCancelled() often and
// return early once it is set. An operation runs at most once, on one queue.
class Operation {
public:
    Operation() = default;
    virtual ~Operation();
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // The work, run on the queue's thread; an operation without work just finishes.
    virtual void main() {}

    // Any thread. Cancelling only marks the operation: a queued one is skipped, a running one
    // stops at its next poll. Cancelling a finished operation changes nothing.
    bool isCancelled() const { return stop_.stop_requested(); }
    bool isFinished() const { return finished_.load(std::memory_order_acquire); }
    void cancel() { stop_.request_stop(); }

    // Runs exactly once on the queue's thread right after the operation finished, whether main()
    // ran, was cut short, or was skipped because the operation was cancelled while queued. Set it
    // before the operation is added; the block must not destroy or wait on its own queue.
    void setCompletionBlock(std::function<void()> block);

private:
    friend class OperationQueue;
    void runOnQueue(); // main() unless cancelled, then mark finished and call the completion

    std::stop_source stop_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> enqueued_{false}; // guards against adding one operation twice
    std::mutex completionMutex_;
    std::function<void()> completion_;
};

// Runs its operations one at a time, in the order added, on one worker thread. All members are
// thread-safe; none of them may be called from the queue's own operations except addOperation,
// cancelAllOperations and operationCount.
class OperationQueue {
public:
    OperationQueue();
    ~OperationQueue(); // cancels everything, lets the completions run, joins the worker
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    // Ignores null and an operation that was already added to a queue.
    void addOperation(std::shared_ptr<Operation> op);
    // Cancels the running operation and every queued one; they still finish and complete.
    void cancelAllOperations();
    // Blocks until every operation added so far has finished and its completion block returned.
    void waitUntilAllOperationsAreFinished();
    // Queued plus running; an operation leaves the count after its completion block returned.
    std::size_t operationCount() const;

private:
    void workerLoop(std::stop_token stop);

    mutable std::mutex mutex_;
    std::condition_variable_any workAvailable_; // worker waits for operations or shutdown
    std::condition_variable allDone_;           // waiters wait for the count to reach zero
    std::deque<std::shared_ptr<Operation>> pending_;
    std::shared_ptr<Operation> running_;
    bool stopping_ = false; // set by the destructor: later additions arrive cancelled
    std::jthread worker_;   // last member: started after, and stopped before, the rest
};
