// Our 48-bit generator against the C library's, which follows the same POSIX definition.
#include <gtest/gtest.h>

#include <cstdlib>

#include "model/Puzzle.h"

TEST(Rand48, AgreesWithTheCLibraryForManySeeds) {
    const long seeds[] = {0, 1, 42, 1800000000, 0x7FFFFFFF, -1, -123456789, 0x123456789AL};
    for (long seed : seeds) {
        ::srand48(seed);
        rand48::srand48(seed);
        for (int i = 0; i < 1000; ++i)
            ASSERT_EQ(::lrand48(), rand48::lrand48()) << "seed " << seed << " draw " << i;
    }
}
