// The model's allocator for tests: tracks the blocks it hands out and refuses requests on a plan,
// so that the stack, selection and solver can be run out of memory. Depends on the model alone.
#pragma once

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <set>

#include "model/Puzzle.h"

struct AllocPlan {
    long allowance = -1;          // requests still granted; < 0: every one
    int failBoardAt = 0;          // refuse the n-th request for a new board; 0: none
    std::size_t failGrowthTo = 0; // refuse the first resize of a held block to this size
    std::atomic<int> boardCalls{0}, boardsMade{0};
    std::mutex mutex;
    std::set<void*> live; // blocks handed out and not freed
};

// Installed while it lives. The plan is global because the model takes plain function pointers.
class AllocHook {
public:
    static inline AllocPlan plan;

    AllocHook() {
        reset();
        setModelRealloc(reallocate);
        setModelFree(release);
    }
    ~AllocHook() {
        setModelRealloc(nullptr);
        setModelFree(nullptr);
    }
    static void reset() {
        plan.allowance = -1;
        plan.failBoardAt = 0;
        plan.failGrowthTo = 0;
        plan.boardCalls = 0;
        plan.boardsMade = 0;
        std::lock_guard lock(plan.mutex);
        plan.live.clear();
    }
    static std::size_t liveBlocks() {
        std::lock_guard lock(plan.mutex);
        return plan.live.size();
    }

private:
    static void* reallocate(void* p, std::size_t size) {
        if (plan.allowance == 0) return nullptr;
        if (plan.allowance > 0) --plan.allowance;
        if (!p && size == sizeof(Puzzle)) {
            if (++plan.boardCalls == plan.failBoardAt) return nullptr;
            ++plan.boardsMade;
        } else if (p && size == plan.failGrowthTo) {
            plan.failGrowthTo = 0;
            return nullptr;
        }
        void* q = std::realloc(p, size);
        std::lock_guard lock(plan.mutex);
        if (q) { // a refused resize leaves p held
            plan.live.erase(p);
            plan.live.insert(q);
        }
        return q;
    }
    static void release(void* p) {
        {
            std::lock_guard lock(plan.mutex);
            plan.live.erase(p);
        }
        std::free(p);
    }
};
