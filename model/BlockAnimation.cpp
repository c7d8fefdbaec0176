// One bubble's frame of animation (burst, fall, selection pulse) and its drop into an empty cell
// below. Depends on the model header and the vector library alone.
#include <cmath>

#include "math/Matrix.h"
#include "model/Puzzle.h"

namespace {

constexpr std::int32_t kBurstLastFrame = 14;
constexpr std::int32_t kPopFrame = 5;
constexpr double kCloudTurn = 0.065; // degrees per frame
constexpr double kBurstShrink = 0.095;
constexpr double kBurstMinScale = 0.51;
constexpr float kFallStartSpeed = 0.125f; // world units per frame
constexpr float kFallAcceleration = 1.2f;
constexpr float kPulseShrink = 0.035f;
constexpr float kLonePulseShrink = 0.065f;
constexpr double kPulseGrow = 0.075;
constexpr float kPulseLow = 0.7f;

void setScale(BlockState& s, float scale) {
    s.scale[0] = scale;
    s.scale[1] = scale;
    s.scale[2] = scale;
}

// Returns after the burst's frame; the bubble does not pulse while it bursts.
void burstStep(BlockState& s) {
    ++s.frame;
    if (s.frame < 0) return; // waits for its turn in the burst
    if (s.frame > kBurstLastFrame) {
        s.flags &= ~kBlockBursting; // the cell is empty from now on
        return;
    }
    if (s.frame == kPopFrame) popSndRequest = 1;
    s.rotation[0] = static_cast<float>(s.dirVec[0] + kCloudTurn * s.frame);

    double scale = s.scale[0];
    if (scale > kBurstMinScale) {
        scale -= kBurstShrink;
        if (scale < kBurstMinScale) scale = kBurstMinScale;
    } else if (scale < kBurstMinScale) {
        scale = kBurstMinScale;
    }
    setScale(s, static_cast<float>(scale));
}

void moveStep(BlockState& s) {
    const bool falling = (s.flags & kBlockFalling) != 0;
    for (int i = 0; i < 3; ++i) {
        if (s.offset[i] == 0.0f) continue;
        // Snap to the cell rather than overshoot it.
        if (std::fabs(s.offset[i]) < std::fabs(s.dirVec[i]))
            s.offset[i] = 0.0f;
        else
            s.offset[i] += s.dirVec[i];
    }
    if (falling) vec_scale(s.dirVec, s.dirVec, kFallAcceleration);

    if (s.offset[0] == 0.0f && s.offset[1] == 0.0f && s.offset[2] == 0.0f) {
        s.dirVec[0] = s.dirVec[1] = s.dirVec[2] = 0.0f;
        s.flags &= ~(kBlockMoving | kBlockFalling);
        dropSndRequest = 1;
    }
}

void pulseStep(BlockState& s) {
    const bool selected = (s.flags & kBlockSelected) != 0;
    if (!selected) {
        if (s.scale[0] == 1.0f) return;
        if (s.flags & kBlockShrinking) { // a bubble that left the selection only grows back
            s.flags &= ~kBlockShrinking;
            s.flags |= kBlockGrowing;
        }
    }

    float scale = s.scale[0];
    if (s.flags & kBlockShrinking) {
        scale -= (s.flags & kBlockLone) ? kLonePulseShrink : kPulseShrink;
        if (scale < kPulseLow) {
            s.flags &= ~kBlockShrinking;
            s.flags |= kBlockGrowing;
        }
    } else if (s.flags & kBlockLone) {
        // A lone bubble stays small once it has shrunk.
    } else {
        scale = static_cast<float>(scale + kPulseGrow);
        if (scale >= 1.0f) {
            s.flags &= ~kBlockGrowing;
            if (selected)
                s.flags |= kBlockShrinking; // the overshoot of less than one step is kept
            else
                scale = 1.0f;
        }
    }
    setScale(s, scale);
}

} // namespace

void updateBlock(Block* block) {
    BlockState& s = block->state;
    if (s.flags & kBlockBursting) {
        burstStep(s);
        return;
    }
    if (s.flags & kBlockMoving) moveStep(s);
    pulseStep(s);
}

int shiftBlock(Puzzle* p, Block* block, const float matrix[16], int updatePosition) {
    if (isDead(block->state)) return 0;
    const std::int32_t belowIndex = block->friends[4];
    if (belowIndex < 0 || belowIndex >= kNumBlocks) return 0; // bottom layer
    Block& below = p->blocks[belowIndex];
    if (!isDead(below.state)) return 0; // holds a bubble, or one still bursting

    // Drawn where it was: one unit above the cell it is about to take.
    BlockState& s = block->state;
    s.offset[1] += 1.0f;
    s.dirVec[1] = -kFallStartSpeed;
    s.flags |= kBlockMoving | kBlockFalling;

    const BlockState empty = below.state;
    below.state = s;
    s = empty;

    if (updatePosition) mat_multv3(below.position, matrix, below.origin);
    return 1;
}
