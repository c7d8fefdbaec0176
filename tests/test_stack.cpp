// The index stack: first-in first-out order, its limit, and what it keeps when memory runs out.
#include <gtest/gtest.h>

#include "model/Puzzle.h"
#include "support/AllocHook.h"

namespace {

class StackTest : public ::testing::Test {
protected:
    AllocHook alloc;
};

TEST_F(StackTest, HandsItemsOutOldestFirstAndFreesWhatItHeld) {
    Stack* s = createStack();
    ASSERT_NE(s, nullptr);
    for (int round = 0; round < 2; ++round) { // reusable once emptied
        for (int v : {3, 7, -9, 7, 0})
            ASSERT_EQ(pushStack(s, v), 1);
        EXPECT_EQ(s->count, 5);
        for (int v : {3, 7, -9, 7, 0}) {
            ASSERT_EQ(isStackEmpty(s), 0);
            EXPECT_EQ(popStack(s), v);
        }
        EXPECT_EQ(isStackEmpty(s), 1);
        EXPECT_EQ(popStack(s), 0);
        EXPECT_EQ(s->items, nullptr); // an emptied stack holds no storage
    }
    deleteStack(s);
    EXPECT_EQ(AllocHook::liveBlocks(), 0u);
}

TEST_F(StackTest, RefusesThe32769thItemAndKeepsTheOthers) {
    Stack* s = createStack();
    for (int i = 0; i < kStackMaxItems; ++i)
        ASSERT_EQ(pushStack(s, i), 1);
    EXPECT_EQ(pushStack(s, -1), 0);
    ASSERT_EQ(s->count, kStackMaxItems);
    EXPECT_EQ(s->items[kStackMaxItems - 1], kStackMaxItems - 1);
    EXPECT_EQ(popStack(s), 0);
    EXPECT_EQ(pushStack(s, -1), 1); // room again after a pop
    deleteStack(s);
}

TEST_F(StackTest, FailedGrowthKeepsTheItemsItHoldsAndLeaksNothing) {
    Stack* s = createStack();
    for (int v : {5, 6, 7})
        pushStack(s, v);
    AllocHook::plan.allowance = 0;
    EXPECT_EQ(pushStack(s, 8), 0);
    ASSERT_EQ(s->count, 3);
    for (int v : {5, 6, 7}) // the shrinks are refused too; the items still come out
        EXPECT_EQ(popStack(s), v);
    EXPECT_EQ(isStackEmpty(s), 1);
    deleteStack(s);
    EXPECT_EQ(AllocHook::liveBlocks(), 0u) << "the stack leaked storage";

    EXPECT_EQ(createStack(), nullptr); // still no memory
    EXPECT_EQ(isStackEmpty(nullptr), 1);
    EXPECT_EQ(pushStack(nullptr, 1), 0);
    EXPECT_EQ(popStack(nullptr), 0);
    deleteStack(nullptr);
}

} // namespace
