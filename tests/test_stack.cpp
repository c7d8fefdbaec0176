// The index stack: first-in first-out order, its limit, and what it keeps when memory runs out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "model/Puzzle.h"

namespace {

// Counts live blocks and can refuse allocations after a budget, to simulate exhaustion.
std::set<void*> liveBlocks;
long allowance = -1; // < 0: unlimited
void* countingRealloc(void* p, std::size_t size) {
    if (allowance == 0) return nullptr;
    if (allowance > 0) --allowance;
    liveBlocks.erase(p);
    void* q = std::realloc(p, size);
    liveBlocks.insert(q ? q : p); // a refused realloc leaves p allocated
    return q;
}

void countingFree(void* p) {
    liveBlocks.erase(p);
    std::free(p);
}

class StackTest : public ::testing::Test {
protected:
    void SetUp() override {
        liveBlocks.clear();
        allowance = -1;
        setModelRealloc(countingRealloc);
        setModelFree(countingFree);
    }
    void TearDown() override {
        setModelRealloc(nullptr);
        setModelFree(nullptr);
    }
};

} // namespace

TEST_F(StackTest, HandsItemsOutOldestFirst) {
    Stack* s = createStack();
    ASSERT_NE(s, nullptr);
    for (int v : {3, 7, -9, 7, 0}) ASSERT_EQ(pushStack(s, v), 1);
    EXPECT_EQ(s->count, 5);
    for (int v : {3, 7, -9, 7, 0}) {
        ASSERT_EQ(isStackEmpty(s), 0);
        EXPECT_EQ(popStack(s), v);
    }
    EXPECT_EQ(isStackEmpty(s), 1);
    EXPECT_EQ(popStack(s), 0);
    EXPECT_EQ(s->items, nullptr); // an emptied stack holds no storage
    // It is reusable after being emptied.
    EXPECT_EQ(pushStack(s, 11), 1);
    EXPECT_EQ(popStack(s), 11);
    deleteStack(s);
    EXPECT_TRUE(liveBlocks.empty());
}

TEST_F(StackTest, NullStackIsEmptyAndRefusesEverything) {
    EXPECT_EQ(isStackEmpty(nullptr), 1);
    EXPECT_EQ(pushStack(nullptr, 1), 0);
    EXPECT_EQ(popStack(nullptr), 0);
    deleteStack(nullptr);
}

TEST_F(StackTest, RefusesThe32769thItemAndKeepsTheOthers) {
    Stack* s = createStack();
    for (int i = 0; i < kStackMaxItems; ++i) ASSERT_EQ(pushStack(s, i), 1);
    EXPECT_EQ(pushStack(s, -1), 0);
    ASSERT_EQ(s->count, kStackMaxItems);
    EXPECT_EQ(s->items[0], 0);
    EXPECT_EQ(s->items[kStackMaxItems - 1], kStackMaxItems - 1);
    EXPECT_EQ(popStack(s), 0);
    EXPECT_EQ(pushStack(s, -1), 1); // room again after a pop
    deleteStack(s);
}

TEST_F(StackTest, FailedGrowthKeepsTheItemsItHolds) {
    Stack* s = createStack();
    for (int v : {5, 6, 7}) pushStack(s, v);
    allowance = 0;
    EXPECT_EQ(pushStack(s, 8), 0);
    ASSERT_EQ(s->count, 3);
    EXPECT_EQ(popStack(s), 5); // the shrink is refused too; the item still comes out
    EXPECT_EQ(popStack(s), 6);
    EXPECT_EQ(popStack(s), 7);
    EXPECT_EQ(isStackEmpty(s), 1);
    allowance = -1;
    deleteStack(s);
    EXPECT_TRUE(liveBlocks.empty()) << "the stack leaked storage";
}

TEST_F(StackTest, CreateReportsExhaustion) {
    allowance = 0;
    EXPECT_EQ(createStack(), nullptr);
}
