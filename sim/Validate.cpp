// Whole-board invariants for tests and the driver.
#include "sim/Validate.h"

#include <cstdio>

namespace {

std::string fail(const char* what, int n) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "cell %d: %s", n, what);
    return buf;
}

bool inAngleRange(float a) { return a >= 0.0f && a < 360.0f; }

} // namespace

std::string validatePuzzle(const Puzzle& p) {
    constexpr std::uint32_t kKnownBlockFlags = 0x1FF;
    constexpr std::uint32_t kKnownPuzzleFlags = 0x1FC;
    if (p.flags & ~kKnownPuzzleFlags) return "unknown puzzle flag bits";
    for (int i = 0; i < 3; ++i) {
        if (!inAngleRange(p.currRot[i]) || !inAngleRange(p.dstRot[i])) return "angle out of range";
    }
    const bool atRest = !(p.flags & (kPuzzleBusy | kPuzzleStarting));
    if (atRest) {
        for (int i = 0; i < 3; ++i) {
            if (p.currRot[i] != 0.0f || p.dstRot[i] != 0.0f) return "angles not 0 at rest";
        }
    }
    const bool fallsAllowed = p.currRot[1] == 0.0f && p.dstRot[1] == 0.0f;

    for (int n = 0; n < kNumBlocks; ++n) {
        const Block& b = p.blocks[n];
        const int y = n / 25, x = (n / 5) % 5, z = n % 5;
        if (b.origin[0] != float(x - 2) || b.origin[1] != float(y - 2) || b.origin[2] != float(z - 2))
            return fail("origin does not match the grid", n);
        if (b.shadowIndex != 5 * x + z) return fail("shadowIndex does not match the grid", n);
        const int expect[6] = {z < 4 ? n + 1 : -1,  z > 0 ? n - 1 : -1,  x > 0 ? n - 5 : -1,
                               x < 4 ? n + 5 : -1,  y > 0 ? n - 25 : -1, y < 4 ? n + 25 : -1};
        for (int k = 0; k < 6; ++k) {
            if (b.friends[k] != expect[k]) return fail("friends do not match the grid", n);
            // Link k and its opposite (k ^ 1) must point back.
            if (b.friends[k] >= 0 && p.blocks[b.friends[k]].friends[k ^ 1] != n)
                return fail("neighbour link is not symmetric", n);
        }
        const BlockState& s = b.state;
        if (s.flags & ~kKnownBlockFlags) return fail("unknown block flag bits", n);
        if (isLive(s) && (s.color < 0 || s.color >= kNumColors)) return fail("colour out of range", n);
        if (!isLive(s) && (s.flags & kBlockSelected)) return fail("popped bubble is selected", n);
        if ((s.flags & kBlockBursting) && !(s.flags & kBlockPopped))
            return fail("bursting without popped", n);
        if (atRest && !isDead(s) && (s.flags & kBlockMoving)) return fail("moving at rest", n);
        if (fallsAllowed && isLive(s) && b.friends[4] >= 0 && isDead(p.blocks[b.friends[4]].state))
            return fail("bubble hangs over a dead cell", n);
    }
    return {};
}

ColorCounts liveColorCounts(const Puzzle& p) {
    ColorCounts c{};
    for (const Block& b : p.blocks) {
        if (isLive(b.state) && b.state.color >= 0 && b.state.color < kNumColors) ++c.count[b.state.color];
    }
    return c;
}
