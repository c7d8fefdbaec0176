// The serial operation queue: order, one at a time, completion exactly once, cancellation before
// and during a run, waiting, and tear-down. Built for the ThreadSanitizer run as well.
#include "platform/base/OperationQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <latch>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Records what happened to one operation; shared with the test through a pointer.
struct Journal {
    std::mutex mutex;
    std::vector<int> order;         // ids of the operations whose main() ran, in order
    std::atomic<int> running{0};    // mains running right now
    std::atomic<int> maxRunning{0}; // most mains ever seen running at once
};

class Recorder : public Operation {
public:
    Recorder(Journal* journal, int id) : journal_(journal), id_(id) {}
    void main() override {
        int now = ++journal_->running;
        int seen = journal_->maxRunning.load();
        while (now > seen && !journal_->maxRunning.compare_exchange_weak(seen, now)) {
        }
        {
            std::lock_guard lock(journal_->mutex);
            journal_->order.push_back(id_);
        }
        thread = std::this_thread::get_id();
        std::this_thread::sleep_for(200us); // long enough for an overlap to show
        --journal_->running;
    }
    std::thread::id thread;

private:
    Journal* journal_;
    int id_;
};

// Runs until cancelled; `started` opens once main() is under way.
class UntilCancelled : public Operation {
public:
    void main() override {
        started.count_down();
        while (!isCancelled())
            std::this_thread::sleep_for(100us);
        sawCancel = true;
    }
    std::latch started{1};
    bool sawCancel = false;
};

// Sets a completion block that counts its calls and notes the thread and isFinished it saw.
struct CompletionProbe {
    std::atomic<int> calls{0};
    std::atomic<bool> finishedSeen{false};
    std::thread::id thread;

    void attach(Operation& op) {
        op.setCompletionBlock([this, &op] {
            finishedSeen = op.isFinished();
            thread = std::this_thread::get_id();
            ++calls;
        });
    }
};

TEST(OperationQueue, RunsOperationsOnceEachInOrderOnOneWorkerThreadThenCompletes) {
    Journal journal;
    std::vector<std::shared_ptr<Recorder>> ops;
    OperationQueue queue;
    queue.waitUntilAllOperationsAreFinished(); // nothing queued: returns at once
    queue.addOperation(nullptr);
    EXPECT_EQ(queue.operationCount(), 0u);
    CompletionProbe probe;
    for (int id = 0; id < 20; ++id) {
        ops.push_back(std::make_shared<Recorder>(&journal, id));
        if (id == 0) probe.attach(*ops.back());
        queue.addOperation(ops.back());
    }
    queue.addOperation(ops.front()); // a second add is ignored
    queue.waitUntilAllOperationsAreFinished();

    EXPECT_EQ(queue.operationCount(), 0u);
    EXPECT_EQ(journal.maxRunning.load(), 1);
    std::vector<int> expected;
    for (int id = 0; id < 20; ++id)
        expected.push_back(id);
    EXPECT_EQ(journal.order, expected);
    for (const auto& op : ops) {
        EXPECT_TRUE(op->isFinished());
        EXPECT_FALSE(op->isCancelled());
        EXPECT_EQ(op->thread, ops.front()->thread);
    }
    EXPECT_NE(ops.front()->thread, std::this_thread::get_id());
    // The completion ran once, on the queue's thread, after the operation had finished.
    EXPECT_EQ(probe.calls.load(), 1);
    EXPECT_TRUE(probe.finishedSeen.load());
    EXPECT_EQ(probe.thread, ops.front()->thread);
    ops.front()->cancel(); // cancelling a finished operation changes nothing
    EXPECT_TRUE(ops.front()->isFinished());
}

// Cancelled operations skip main() but still complete, once.
TEST(OperationQueue, CancelAllStopsTheRunningOneAndDropsTheQueuedOnes) {
    Journal journal;
    auto running = std::make_shared<UntilCancelled>();
    auto early = std::make_shared<Recorder>(&journal, 99);
    CompletionProbe runningProbe, earlyProbe, queuedProbe;
    runningProbe.attach(*running);
    earlyProbe.attach(*early);
    early->cancel(); // cancelled before it was even added
    OperationQueue queue;
    queue.addOperation(running);
    queue.addOperation(early);
    std::vector<std::shared_ptr<Recorder>> queued;
    for (int id = 0; id < 5; ++id) {
        queued.push_back(std::make_shared<Recorder>(&journal, id));
        queue.addOperation(queued.back());
    }
    queuedProbe.attach(*queued.back());
    running->started.wait();
    EXPECT_EQ(queue.operationCount(), 7u); // one running, six queued
    queue.cancelAllOperations();
    queue.waitUntilAllOperationsAreFinished();

    EXPECT_EQ(queue.operationCount(), 0u);
    EXPECT_TRUE(running->sawCancel);
    EXPECT_TRUE(journal.order.empty());
    EXPECT_TRUE(early->isFinished());
    for (const auto& op : queued)
        EXPECT_TRUE(op->isCancelled() && op->isFinished());
    EXPECT_EQ(runningProbe.calls.load(), 1);
    EXPECT_EQ(earlyProbe.calls.load(), 1);
    EXPECT_EQ(queuedProbe.calls.load(), 1);

    // The queue stays usable, and later operations are not born cancelled.
    auto after = std::make_shared<Recorder>(&journal, 7);
    queue.addOperation(after);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(journal.order, std::vector<int>{7});
}

TEST(OperationQueue, DestructorCancelsEverythingAndEveryCompletionRuns) {
    auto running = std::make_shared<UntilCancelled>();
    Journal journal;
    auto queued = std::make_shared<Recorder>(&journal, 1);
    auto late = std::make_shared<Recorder>(&journal, 2);
    CompletionProbe runningProbe, lateProbe;
    runningProbe.attach(*running);
    lateProbe.attach(*late);
    {
        OperationQueue queue;
        // Work that a completion queues while the queue is going away arrives cancelled.
        queued->setCompletionBlock([&queue, late] { queue.addOperation(late); });
        queue.addOperation(running);
        queue.addOperation(queued);
        running->started.wait();
    } // must not hang on the operation that only a cancel ends

    EXPECT_TRUE(running->sawCancel);
    EXPECT_TRUE(queued->isCancelled() && queued->isFinished());
    EXPECT_TRUE(late->isCancelled() && late->isFinished());
    EXPECT_TRUE(journal.order.empty());
    EXPECT_EQ(runningProbe.calls.load(), 1);
    EXPECT_EQ(lateProbe.calls.load(), 1);
}

TEST(OperationQueue, CompletionMayQueueFollowUpWorkAndTheQueueMayDropTheOperation) {
    Journal journal;
    OperationQueue queue;
    auto second = std::make_shared<Recorder>(&journal, 2);
    {
        auto first = std::make_shared<Recorder>(&journal, 1);
        first->setCompletionBlock([&queue, second] { queue.addOperation(second); });
        queue.addOperation(first);
    } // the queue now holds the only reference to `first`
    // The completion runs before `first` leaves the queue, so one wait covers `second` too.
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(second->isFinished());
    EXPECT_EQ(journal.order, (std::vector<int>{1, 2}));
}

} // namespace
