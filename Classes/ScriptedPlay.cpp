#include "Classes/ScriptedPlay.h"

#include <GLES/gl.h>

#include <memory>
#include <random>
#include <vector>

#include "Classes/AppDelegate.h"
#include "Classes/PuzzleView.h"
#include "desktop/input/KeyboardCursor.h"
#include "desktop/play/PuzzleHistory.h"
#include "math/Camera.h"
#include "math/Matrix.h"
#include "math/Picking.h"
#include "model/Puzzle.h"

namespace {

constexpr int kGiveUpTurns = 100;
constexpr int kMostClicksWithoutBurst = 6;
// Every third pixel of the window, across and down, is tried as a click: a bubble shows at
// least that much of itself wherever a player could aim at it.
constexpr int kScanStep = 3;
const char* const kTurnKeys[] = {"Right", "Up", "Left", "Down"};

PuzzleView* runningView() {
    Application* app = Application::sharedApplication();
    auto* delegate = app ? dynamic_cast<AppDelegate*>(app->delegate()) : nullptr;
    return delegate ? delegate->puzzleView() : nullptr;
}

struct Target {
    bool found = false;
    Point click;   // window points, where SDL's pixel lands on the scanned one
    int cell = -1; // the cell a click there picks
};

// The best group under some pixel of the view, scanned row by row from the top-left.
Target bestReachableGroup(PuzzleView& view) {
    int group[kNumBlocks];
    const std::vector<int> sizes = boardGroups(puzzle, group);
    view.setCurrentContext();
    int viewport[4];
    float modelview[16];
    float projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);

    const float s = view.contentScale();
    const Rect frame = view.convertRectToWindow(view.bounds());
    const int x0 = static_cast<int>(frame.origin.x * s);
    const int y0 = static_cast<int>(frame.origin.y * s);
    const int x1 = static_cast<int>((frame.origin.x + frame.size.width) * s);
    const int y1 = static_cast<int>((frame.origin.y + frame.size.height) * s);
    // The board's pick spheres, as every pick of this scan would build them.
    PickSphere spheres[kNumBlocks];
    for (int i = 0; i < kNumBlocks; ++i) {
        const Block& block = puzzle.blocks[i];
        vec_add(spheres[i].centre, block.position, block.state.offset);
        spheres[i].radius = 0.5f * block.state.scale[0];
        spheres[i].pickable = (block.state.flags & kBlockPopped) == 0;
    }
    Target best;
    int bestSize = 1;
    for (int py = y0; py < y1; py += kScanStep) {
        for (int px = x0; px < x1; px += kScanStep) {
            // The window turns SDL's pixel px back into the point px / s.
            const Point inView{static_cast<float>(px) / s - frame.origin.x,
                               static_cast<float>(py) / s - frame.origin.y};
            int x = 0;
            int y = 0;
            view.pickPixel(inView, &x, &y);
            float origin[3];
            float dir[3];
            if (!pickRayWithMatrices(origin, dir, x, y, eyePos, viewport, modelview, projection))
                continue;
            const int cell = nearestSphereOnRay(spheres, kNumBlocks, origin, dir, eyePos);
            if (cell < 0) continue;
            const int g = group[cell];
            if (g < 0 || sizes[g] <= bestSize) continue;
            bestSize = sizes[g];
            best.found = true;
            best.cell = cell;
            best.click = {(static_cast<float>(px) + 0.5f) / s, (static_cast<float>(py) + 0.5f) / s};
        }
    }
    return best;
}

class GreedyPlayer {
public:
    explicit GreedyPlayer(int moves) : moves_(moves) {}

    ScriptAction step() {
        ScriptAction action;
        PuzzleView* view = runningView();
        if (!view) {
            action.kind = ScriptAction::Kind::Done;
            return action;
        }
        if (!started_) {
            started_ = true;
            lastScore_ = puzzle.score;
            // The turns follow from the board's number, so a board is always played alike.
            turnChoice_.seed(view->gameNumber() + 1u);
        }
        if (view->isPaused() || !boardAtRest(puzzle)) return action; // a turn or burst runs
        if (puzzle.score != lastScore_) { // the last click burst a group
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
        const Target target = bestReachableGroup(*view);
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
    bool started_ = false;
    std::uint32_t lastScore_ = 0;
    int made_ = 0;
    std::minstd_rand turnChoice_;
    int turnsInRow_ = 0;
    int clicksWithoutBurst_ = 0;
};

} // namespace

std::function<ScriptAction()> greedyPlayer(int moves) {
    auto player = std::make_shared<GreedyPlayer>(moves);
    return [player] { return player->step(); };
}

std::string scriptStateLine() {
    const PuzzleView* view = runningView();
    const char* state = "playing";
    if (puzzle.flags & kPuzzleGameOver)
        state = "over";
    else if (view && view->isPaused())
        state = "paused";
    return std::string("state=") + state + " score=" + std::to_string(puzzle.score) +
           " best=" + std::to_string(highScore) +
           " game=" + std::to_string(view ? view->gameNumber() : 0) +
           " practice=" + (view && view->isPractice() ? "1" : "0");
}
