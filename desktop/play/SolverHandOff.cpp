#include "desktop/play/SolverHandOff.h"

#include <utility>

#include "platform/base/RunLoop.h"

SolverHandOff::SolverHandOff(MakeRun makeRun, FoundMove foundMove)
    : makeRun_(std::move(makeRun)), foundMove_(std::move(foundMove)) {}

SolverHandOff::~SolverHandOff() {
    if (queue_) {
        cancelRun();
        queue_.reset();
    }
    lifetime_.reset();
}

void SolverHandOff::makeIdleQueue() {
    queue_ = std::make_unique<OperationQueue>();
    run_.reset();
}

void SolverHandOff::launch(const Puzzle& board) {
    if (run_) {
        run_.reset();
        if (queue_) queue_->cancelAllOperations();
    }
    std::shared_ptr<Operation> run = makeRun_(&board);
    if (!run) return; // out of memory: the request stays and the next tick tries again
    run_ = run;
    // The queue's thread only passes the notice on; the main loop acts on it, so the solver's
    // flags are written on the main thread alone.
    std::weak_ptr<Operation> weakRun = run;
    std::weak_ptr<int> alive = lifetime_;
    run->setCompletionBlock([this, weakRun, alive] {
        RunLoop::main().post([this, weakRun, alive] {
            if (alive.expired()) return;
            runFinished(weakRun.lock());
        });
    });
    // Replacing a queue whose run was cancelled waits for that run to end.
    queue_ = std::make_unique<OperationQueue>();
    queue_->addOperation(run);
    opRunning = 1;
    solveRequest = 0;
}

void SolverHandOff::runFinished(const std::shared_ptr<Operation>& run) {
    if (!run || run != run_) return;
    run_.reset();
    if (!foundMove_(*run)) {
        quitRequest = 1;
        solveRequest = 0;
    }
    queue_.reset(); // its worker has nothing left but to return
    opRunning = 0;
}

void SolverHandOff::cancelRun() {
    run_.reset();
    if (!queue_) return;
    queue_->cancelAllOperations();
    queue_->waitUntilAllOperationsAreFinished();
}

void SolverHandOff::takeAnswerNow() {
    if (!run_ || !queue_) return;
    queue_->waitUntilAllOperationsAreFinished();
    const std::shared_ptr<Operation> run = run_; // runFinished forgets it
    runFinished(run);
}
