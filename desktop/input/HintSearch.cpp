#include "desktop/input/HintSearch.h"

#include <new>
#include <utility>

#include "desktop/input/KeyboardCursor.h"
#include "platform/base/RunLoop.h"

HintSearch::HintSearch(const Puzzle& board, ReachTest reach)
    : SolveOperation(board), reach_(std::move(reach)) {}

std::shared_ptr<HintSearch> HintSearch::make(const Puzzle& board, ReachTest reach) {
    try {
        return std::shared_ptr<HintSearch>(new HintSearch(board, std::move(reach)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool HintSearch::matchFound(Puzzle* p) {
    // Most boards hold no pair at all; only those that do are worth projecting.
    if (!findBlockMatch(p)) return false;
    int group[kNumBlocks];
    const std::vector<int> sizes = boardGroups(*p, group);
    bool reachable[kNumBlocks] = {};
    reach_(*p, reachable);
    for (int n = 0; n < kNumBlocks; ++n)
        if (reachable[n] && group[n] >= 0 && sizes[static_cast<std::size_t>(group[n])] > 1)
            return true;
    return false;
}

void HintSearch::main() {
    SolveOperation::main();
    if (isCancelled()) return;
    std::optional<std::vector<int>> series = foundTurns();
    if (series)
        for (int& turn : *series)
            turn = gameTurnOfPermutation(turn);
    turns_ = std::move(series);
}

int gameTurnOfPermutation(int permutation) {
    switch (permutation) {
    case kDirUp:
        return kDirDown;
    case kDirDown:
        return kDirUp;
    default:
        return permutation;
    }
}

HintSearcher::~HintSearcher() {
    cancel();
    lifetime_.reset();
}

bool HintSearcher::start(const Puzzle& board, HintSearch::ReachTest reach,
                         std::function<void()> answered) {
    cancel();
    std::shared_ptr<HintSearch> search = HintSearch::make(board, std::move(reach));
    if (!search) return false;
    current_ = search;
    std::weak_ptr<HintSearch> weak = search;
    std::weak_ptr<int> alive = lifetime_;
    // The queue's thread only passes the notice on; the answer is read on the main loop.
    search->setCompletionBlock([this, weak, alive, answered = std::move(answered)] {
        RunLoop::main().post([this, weak, alive, answered] {
            if (alive.expired()) return;
            const std::shared_ptr<HintSearch> done = weak.lock();
            if (done && done == current_) answered();
        });
    });
    queue_ = std::make_unique<OperationQueue>();
    queue_->addOperation(search);
    return true;
}

std::shared_ptr<HintSearch> HintSearcher::waitForAnswer() {
    if (queue_) queue_->waitUntilAllOperationsAreFinished();
    return takeAnswer();
}

std::shared_ptr<HintSearch> HintSearcher::takeAnswer() {
    if (!current_ || !current_->isFinished()) return nullptr;
    std::shared_ptr<HintSearch> done = std::move(current_);
    current_.reset();
    queue_.reset(); // its worker has nothing left but to return
    return done;
}

void HintSearcher::cancel() {
    current_.reset();
    if (!queue_) return;
    queue_->cancelAllOperations();
    queue_.reset(); // waits for the worker
}
