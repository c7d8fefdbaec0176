// The index stack: a first-in, first-out list of ints whose storage holds exactly its items.
// Memory comes from modelRealloc so that exhaustion can be simulated. Standard library only.
#include "model/Puzzle.h"

#include <cstring>

Stack* createStack() {
    auto* stack = static_cast<Stack*>(modelRealloc(nullptr, sizeof(Stack)));
    if (!stack) return nullptr;
    stack->count = 0;
    stack->items = nullptr;
    return stack;
}

void deleteStack(Stack* stack) {
    if (!stack) return;
    modelFree(stack->items);
    modelFree(stack);
}

int pushStack(Stack* stack, int value) {
    if (!stack || stack->count > kStackMaxItems - 1) return 0;
    auto* grown = static_cast<std::int32_t*>(
        modelRealloc(stack->items, sizeof(std::int32_t) * static_cast<std::size_t>(stack->count + 1)));
    // A refused growth leaves the old block valid: keep the items rather than drop them.
    if (!grown) return 0;
    stack->items = grown;
    stack->items[stack->count] = value;
    stack->count += 1;
    return 1;
}

int popStack(Stack* stack) {
    if (!stack || stack->count == 0) return 0;
    const int value = stack->items[0];
    stack->count -= 1;
    if (stack->count == 0) {
        modelFree(stack->items);
        stack->items = nullptr;
        return value;
    }
    std::memmove(stack->items, stack->items + 1,
                 sizeof(std::int32_t) * static_cast<std::size_t>(stack->count));
    auto* shrunk = static_cast<std::int32_t*>(
        modelRealloc(stack->items, sizeof(std::int32_t) * static_cast<std::size_t>(stack->count)));
    // A refused shrink leaves the larger block holding the remaining items; keep using it.
    if (shrunk) stack->items = shrunk;
    return value;
}

int isStackEmpty(Stack* stack) { return (!stack || stack->count == 0) ? 1 : 0; }
