// The board's bubbles as pick spheres: each where it is drawn (its cell plus its animation
// offset), with half its drawn size as radius. Bursting bubbles are drawn but never picked.
#include "render/BlockPicking.h"

#include "math/Matrix.h"
#include "math/Picking.h"

Block* nearestBubbleOnRay(Puzzle* p, const float origin[3], const float dir[3],
                          const float eye[3]) {
    if (!p) return nullptr;
    PickSphere spheres[kNumBlocks];
    for (int i = 0; i < kNumBlocks; ++i) {
        const Block& block = p->blocks[i];
        vec_add(spheres[i].centre, block.position, block.state.offset);
        spheres[i].radius = 0.5f * block.state.scale[0];
        spheres[i].pickable = (block.state.flags & kBlockPopped) == 0;
    }
    const int hit = nearestSphereOnRay(spheres, kNumBlocks, origin, dir, eye);
    return hit < 0 ? nullptr : &p->blocks[hit];
}

Block* pickBlockWithMatrices(int x, int y, Puzzle* p, const float eye[3], const int viewport[4],
                             const float modelview[16], const float projection[16]) {
    if (!p) return nullptr;
    float origin[3];
    float dir[3];
    if (!pickRayWithMatrices(origin, dir, x, y, eye, viewport, modelview, projection))
        return nullptr;
    return nearestBubbleOnRay(p, origin, dir, eye);
}

Block* pickBlock(int x, int y, Puzzle* p, const float eye[3]) {
    if (!p) return nullptr;
    float origin[3];
    float dir[3];
    if (!pickRay(origin, dir, x, y, eye)) return nullptr;
    return nearestBubbleOnRay(p, origin, dir, eye);
}
