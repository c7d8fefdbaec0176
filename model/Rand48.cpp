// The POSIX 48-bit linear congruential generator, so that a seed makes the same board with
// every compiler and C library. Standard library only.
#include "model/Puzzle.h"

namespace {
constexpr std::uint64_t kMask48 = (std::uint64_t{1} << 48) - 1;
constexpr std::uint64_t kMultiplier = 0x5DEECE66DULL;
constexpr std::uint64_t kAddend = 0xB;
// The C library's state before any seeding.
std::uint64_t state = 0x1234ABCD330EULL;
} // namespace

namespace rand48 {

void srand48(long seed) {
    // Only the low 32 bits of the seed count, as with the C library.
    state = ((static_cast<std::uint64_t>(seed) & 0xFFFFFFFFULL) << 16 | 0x330E) & kMask48;
}

long lrand48() {
    state = (kMultiplier * state + kAddend) & kMask48;
    return static_cast<long>(state >> 17);
}

} // namespace rand48
