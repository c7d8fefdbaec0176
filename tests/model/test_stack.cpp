// The index stack: first-in first-out order, its limit, and what it keeps when memory runs out.
#include <gtest/gtest.h>

#include "model/Puzzle.h"
#include "support/AllocHook.h"

TEST(Stack, FirstInFirstOutUpToItsLimitAndNothingLostWhenMemoryRunsOut) {
    AllocHook alloc;
    Stack* s = createStack();
    ASSERT_NE(s, nullptr);
    for (int i = 0; i < kStackMaxItems; ++i)
        ASSERT_EQ(pushStack(s, i - 7), 1);
    EXPECT_EQ(pushStack(s, 99), 0); // the 32769th is refused; a pop makes room
    EXPECT_EQ(popStack(s), -7);
    EXPECT_EQ(pushStack(s, 99), 1);
    for (int i = 1; i < kStackMaxItems; ++i)
        ASSERT_EQ(popStack(s), i - 7);
    EXPECT_EQ(popStack(s), 99);
    EXPECT_EQ(isStackEmpty(s), 1);
    EXPECT_EQ(popStack(s), 0);
    EXPECT_EQ(s->items, nullptr); // an emptied stack holds no storage

    for (int v : {5, 6, 7})
        pushStack(s, v);
    AllocHook::plan.allowance = 0; // growing and shrinking refused: the items still come out
    EXPECT_EQ(pushStack(s, 8), 0);
    for (int v : {5, 6, 7})
        EXPECT_EQ(popStack(s), v);
    EXPECT_EQ(isStackEmpty(s), 1);
    deleteStack(s);
    EXPECT_EQ(AllocHook::liveBlocks(), 0u) << "the stack leaked storage";
    EXPECT_EQ(createStack(), nullptr);
    EXPECT_EQ(pushStack(nullptr, 1) + popStack(nullptr), 0);
    EXPECT_EQ(isStackEmpty(nullptr), 1);
    deleteStack(nullptr);
}
