#include "desktop/scripted/ScriptedPlay.h"

#include <GLES/gl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "desktop/input/KeyboardCursor.h"
#include "desktop/play/PuzzleHistory.h"
#include "math/Camera.h"
#include "math/Matrix.h"
#include "math/Picking.h"
#include "model/Puzzle.h"

namespace {

constexpr int kGiveUpTurns = 100;
constexpr int kMostClicksWithoutBurst = 6;
// Every third pixel of the window, across and down, may be a click: a bubble shows at least that
// much of itself wherever a player could aim at it.
constexpr int kScanStep = 3;
// A bubble whose square holds more grid points than this (about 240 pixels across) is looked at
// on a coarser grid (a multiple of the step), so that a huge window costs no more than a window
// whose bubbles are that large.
constexpr int kMostTriesPerBubble = 6400;
const char* const kTurnKeys[] = {"Right", "Up", "Left", "Down"};

struct Target {
    bool found = false;
    Point click;   // window points, where SDL's pixel lands on the chosen one
    int cell = -1; // the cell a click there picks
};

// The view's camera and the grid of window pixels a click may land on.
class ClickGrid {
public:
    explicit ClickGrid(const ScriptedGame& game) : game_(game) {
        game.makeCurrent();
        glGetIntegerv(GL_VIEWPORT, viewport_);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview_);
        glGetFloatv(GL_PROJECTION_MATRIX, projection_);
        s_ = game.contentScale();
        frame_ = game.frame();
        x0_ = static_cast<int>(frame_.origin.x * s_);
        y0_ = static_cast<int>(frame_.origin.y * s_);
        x1_ = static_cast<int>((frame_.origin.x + frame_.size.width) * s_);
        y1_ = static_cast<int>((frame_.origin.y + frame_.size.height) * s_);
        // How viewport pixels follow window pixels (the view flips y), measured on the view's
        // own rounding rather than assumed.
        constexpr int kSpan = 64;
        int ax = 0, ay = 0, bx = 0, by = 0;
        viewportPixel(x0_, y0_, ax, ay);
        viewportPixel(x0_ + kSpan, y0_ + kSpan, bx, by);
        originX_ = static_cast<float>(ax);
        originY_ = static_cast<float>(ay);
        slopeX_ = static_cast<float>(bx - ax) / kSpan;
        slopeY_ = static_cast<float>(by - ay) / kSpan;
    }

    // The cell that a click at window pixel (px, py) picks, or -1.
    int pick(int px, int py, const PickSphere* spheres) const {
        int x = 0;
        int y = 0;
        viewportPixel(px, py, x, y);
        float origin[3];
        float dir[3];
        if (!pickRayWithMatrices(origin, dir, x, y, eyePos, viewport_, modelview_, projection_))
            return -1;
        return nearestSphereOnRay(spheres, kNumBlocks, origin, dir, eyePos);
    }

    // The window pixels around a sphere: a square holding its projection, with a margin; false
    // when it is behind the camera or the square misses the view.
    bool around(const PickSphere& sphere, int& left, int& top, int& right, int& bottom) const {
        float cx = 0.0f;
        float cy = 0.0f;
        if (!project(sphere.centre, cx, cy)) return false;
        float reach = 0.0f; // the farthest an axis' offset of one radius projects
        for (int axis = 0; axis < 3; ++axis) {
            float edge[3] = {sphere.centre[0], sphere.centre[1], sphere.centre[2]};
            edge[axis] += sphere.radius;
            float ex = 0.0f;
            float ey = 0.0f;
            if (!project(edge, ex, ey)) return false;
            reach = std::max(reach, std::hypot(ex - cx, ey - cy));
        }
        // Some axis lies at least 35 degrees off the line of sight, so 1.5 times its reach
        // covers the silhouette; 3 pixels more cover the rounding.
        const float r = 1.5f * reach + 3.0f;
        const float wx = static_cast<float>(x0_) + (cx - originX_) / slopeX_;
        const float wy = static_cast<float>(y0_) + (cy - originY_) / slopeY_;
        const float rx = r / std::fabs(slopeX_);
        const float ry = r / std::fabs(slopeY_);
        left = std::max(x0_, static_cast<int>(std::floor(wx - rx)));
        right = std::min(x1_ - 1, static_cast<int>(std::ceil(wx + rx)));
        top = std::max(y0_, static_cast<int>(std::floor(wy - ry)));
        bottom = std::min(y1_ - 1, static_cast<int>(std::ceil(wy + ry)));
        return left <= right && top <= bottom;
    }

    // The first grid point at or after `from` (grid points lie at x0 + 3k, y0 + 3k).
    int gridX(int from) const { return x0_ + ceilStep(from - x0_); }
    int gridY(int from) const { return y0_ + ceilStep(from - y0_); }
    bool usable() const { return x1_ > x0_ && y1_ > y0_ && slopeX_ != 0.0f && slopeY_ != 0.0f; }
    Point clickAt(int px, int py) const {
        return {(static_cast<float>(px) + 0.5f) / s_, (static_cast<float>(py) + 0.5f) / s_};
    }

private:
    static int ceilStep(int offset) {
        return offset <= 0 ? 0 : (offset + kScanStep - 1) / kScanStep * kScanStep;
    }

    // The viewport pixel a click at window pixel (px, py) lands on: the window turns SDL's
    // pixel px back into the point px / s.
    void viewportPixel(int px, int py, int& x, int& y) const {
        const Point inView{static_cast<float>(px) / s_ - frame_.origin.x,
                           static_cast<float>(py) / s_ - frame_.origin.y};
        game_.pickPixel(inView, &x, &y);
    }

    // GL window coordinates of a point of the board.
    bool project(const float p[3], float& x, float& y) const {
        float eye[4];
        float clip[4];
        for (int row = 0; row < 4; ++row)
            eye[row] = modelview_[row] * p[0] + modelview_[4 + row] * p[1] +
                       modelview_[8 + row] * p[2] + modelview_[12 + row];
        for (int row = 0; row < 4; ++row)
            clip[row] = projection_[row] * eye[0] + projection_[4 + row] * eye[1] +
                        projection_[8 + row] * eye[2] + projection_[12 + row] * eye[3];
        if (clip[3] <= 1e-6f) return false;
        x = static_cast<float>(viewport_[0]) +
            static_cast<float>(viewport_[2]) * (clip[0] / clip[3] + 1.0f) / 2.0f;
        y = static_cast<float>(viewport_[1]) +
            static_cast<float>(viewport_[3]) * (clip[1] / clip[3] + 1.0f) / 2.0f;
        return true;
    }

    const ScriptedGame& game_;
    int viewport_[4] = {};
    float modelview_[16] = {};
    float projection_[16] = {};
    float s_ = 1.0f;
    Rect frame_;
    int x0_ = 0, y0_ = 0, x1_ = 0, y1_ = 0;
    float originX_ = 0.0f, originY_ = 0.0f, slopeX_ = 1.0f, slopeY_ = -1.0f;
};

// Of the largest groups a click reaches, the one reached first on the grid read row by row from
// the top-left, and that grid point. Only the squares around the bubbles of groups of one size
// are read, largest size first; each square row by row, so the first hit in it is its first.
Target bestReachableGroup(const ScriptedGame& game) {
    int group[kNumBlocks];
    const std::vector<int> sizes = boardGroups(puzzle, group);
    const ClickGrid grid(game);
    if (!grid.usable()) return {};
    // The board's pick spheres, as every click's pick builds them.
    PickSphere spheres[kNumBlocks];
    for (int i = 0; i < kNumBlocks; ++i) {
        const Block& block = puzzle.blocks[i];
        vec_add(spheres[i].centre, block.position, block.state.offset);
        spheres[i].radius = 0.5f * block.state.scale[0];
        spheres[i].pickable = (block.state.flags & kBlockPopped) == 0;
    }
    std::vector<int> bySize(sizes.begin(), sizes.end());
    std::sort(bySize.rbegin(), bySize.rend());
    bySize.erase(std::unique(bySize.begin(), bySize.end()), bySize.end());
    for (const int size : bySize) {
        if (size <= 1) break; // a single bubble does not burst
        Target best;
        int bestX = 0;
        int bestY = 0;
        for (int i = 0; i < kNumBlocks; ++i) {
            if (!spheres[i].pickable || group[i] < 0 || sizes[group[i]] != size) continue;
            int left = 0, top = 0, right = 0, bottom = 0;
            if (!grid.around(spheres[i], left, top, right, bottom)) continue;
            const int firstX = grid.gridX(left);
            const int firstY = grid.gridY(top);
            const int across = right < firstX ? 0 : (right - firstX) / kScanStep + 1;
            const int down = bottom < firstY ? 0 : (bottom - firstY) / kScanStep + 1;
            int coarse = 1;
            while (((across + coarse - 1) / coarse) * ((down + coarse - 1) / coarse) >
                   kMostTriesPerBubble)
                ++coarse;
            const int step = kScanStep * coarse;
            bool hit = false;
            for (int py = firstY; py <= bottom && !hit; py += step) {
                if (best.found && py > bestY) break; // cannot come first any more
                for (int px = firstX; px <= right; px += step) {
                    const int cell = grid.pick(px, py, spheres);
                    if (cell < 0 || group[cell] < 0 || sizes[group[cell]] != size) continue;
                    hit = true;
                    if (!best.found || py < bestY || (py == bestY && px < bestX)) {
                        best = {true, grid.clickAt(px, py), cell};
                        bestX = px;
                        bestY = py;
                    }
                    break;
                }
            }
        }
        if (best.found) return best;
    }
    return {};
}

class GreedyPlayer {
public:
    GreedyPlayer(int moves, ScriptedGame game) : moves_(moves), game_(std::move(game)) {}

    ScriptAction step() {
        ScriptAction action;
        if (!game_.running()) {
            action.kind = ScriptAction::Kind::Done;
            return action;
        }
        if (!started_) {
            started_ = true;
            lastScore_ = puzzle.score;
            // The turns follow from the board's number, so a board is always played alike.
            turnChoice_.seed(game_.gameNumber() + 1u);
        }
        if (game_.paused() || !boardAtRest(puzzle)) return action; // a turn or burst runs
        if (puzzle.score != lastScore_) {                          // the last click burst a group
            lastScore_ = puzzle.score;
            ++made_;
            turnsInRow_ = 0;
            clicksWithoutBurst_ = 0;
        }
        if ((puzzle.flags & kPuzzleGameOver) || (moves_ >= 0 && made_ >= moves_) ||
            turnsInRow_ > kGiveUpTurns) {
            action.kind = ScriptAction::Kind::Done;
            return action;
        }
        const Target target = bestReachableGroup(game_);
        if (target.found && clicksWithoutBurst_ < kMostClicksWithoutBurst) {
            ++clicksWithoutBurst_;
            action.kind = ScriptAction::Kind::Click;
            action.point = target.click;
            return action;
        }
        clicksWithoutBurst_ = 0;
        ++made_;
        ++turnsInRow_;
        action.kind = ScriptAction::Kind::Key;
        action.key = kTurnKeys[turnChoice_() % 4];
        return action;
    }

private:
    int moves_;
    ScriptedGame game_;
    bool started_ = false;
    std::uint32_t lastScore_ = 0;
    int made_ = 0;
    std::minstd_rand turnChoice_;
    int turnsInRow_ = 0;
    int clicksWithoutBurst_ = 0;
};

} // namespace

std::function<ScriptAction()> greedyPlayer(int moves, ScriptedGame game) {
    auto player = std::make_shared<GreedyPlayer>(moves, std::move(game));
    return [player] { return player->step(); };
}

std::string scriptStateLine(const ScriptedGame& game) {
    const bool running = game.running && game.running();
    const char* state = "playing";
    if (puzzle.flags & kPuzzleGameOver)
        state = "over";
    else if (running && game.paused())
        state = "paused";
    return std::string("state=") + state + " score=" + std::to_string(puzzle.score) +
           " best=" + std::to_string(highScore) +
           " game=" + std::to_string(running ? game.gameNumber() : 0) +
           " practice=" + (running && game.practice() ? "1" : "0");
}
