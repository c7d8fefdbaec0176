// The tests' main: no display and no sound card needed, whoever starts the test.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // Respect a driver chosen from outside (e.g. a run under xvfb-run with x11).
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
