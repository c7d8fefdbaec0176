// The serial operation queue: order, one at a time on one thread, completion exactly once, work
// queued by a completion. (Cancelling, before and during a run, is checked with the solver and
// the game view, which owns a queue.) Built for the ThreadSanitizer run too.
#include "platform/base/OperationQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// What the operations of one test did, in order; `overlaps` counts mains that ran at once.
struct Journal {
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> running{0}, overlaps{0};
};

class Recorder : public Operation {
public:
    Recorder(Journal* journal, int id) : journal_(journal), id_(id) {}
    void main() override {
        if (++journal_->running > 1) ++journal_->overlaps;
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
    }
    std::latch started{1};
};

// Counts the completion's calls and whether the operation had finished when it ran.
std::shared_ptr<std::atomic<int>> countCompletions(Operation& op) {
    auto calls = std::make_shared<std::atomic<int>>(0);
    op.setCompletionBlock([calls, &op] { *calls += op.isFinished() ? 1 : 100; });
    return calls;
}

TEST(OperationQueue, RunsEachOnceInOrderOnOneWorkerThreadAndCompletionsMayQueueMore) {
    Journal journal;
    std::vector<std::shared_ptr<Recorder>> ops;
    OperationQueue queue;
    queue.waitUntilAllOperationsAreFinished(); // nothing queued: returns at once
    queue.addOperation(nullptr);
    std::vector<int> expected;
    for (int id = 0; id < 20; ++id) {
        ops.push_back(std::make_shared<Recorder>(&journal, id));
        expected.push_back(id);
    }
    auto calls = countCompletions(*ops[3]);
    {
        auto followUp = std::make_shared<Recorder>(&journal, 20);
        ops[19]->setCompletionBlock([&queue, followUp] { queue.addOperation(followUp); });
    } // the queue holds the only reference to the follow-up once it is added
    expected.push_back(20);
    for (const auto& op : ops)
        queue.addOperation(op);
    queue.addOperation(ops.front());           // a second add is ignored
    queue.waitUntilAllOperationsAreFinished(); // covers work queued by a completion

    EXPECT_EQ(queue.operationCount(), 0u);
    EXPECT_EQ(journal.overlaps.load(), 0);
    EXPECT_EQ(journal.order, expected);
    for (const auto& op : ops)
        EXPECT_TRUE(op->isFinished() && !op->isCancelled() && op->thread == ops[0]->thread);
    EXPECT_NE(ops[0]->thread, std::this_thread::get_id());
    EXPECT_EQ(calls->load(), 1); // once, after the operation had finished
    ops[0]->cancel();            // cancelling a finished operation changes nothing
    EXPECT_TRUE(ops[0]->isFinished());
}

} // namespace
