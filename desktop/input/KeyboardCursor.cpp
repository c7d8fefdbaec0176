// The keyboard cursor: direction choice on screen, taps, the hint and the following of a bubble
// through turns and falls. Model and standard library only; the screen comes from the finder.
#include "desktop/input/KeyboardCursor.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <utility>

#include "desktop/play/PuzzleHistory.h"

namespace {

constexpr float kSameSpot = 0.5f; // view points: spots closer than this are not "that way"
constexpr float kAcrossWeight = 2.0f;
constexpr int kPulseFrames = 100;   // two seconds of the frame timer
constexpr int kNoticeFrames = 200;  // four seconds
constexpr int kPulsePeriod = 25;    // frames per pulse
constexpr int kMostTurnFrames = 40; // a quarter turn takes 9 frames of 10 degrees

float distanceSquared(Point a, Point b) {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return dx * dx + dy * dy;
}

int nearestReachable(const std::vector<CursorSpot>& spots, Point to) {
    int best = -1;
    float bestDistance = std::numeric_limits<float>::infinity();
    for (const CursorSpot& s : spots) {
        if (!s.reachable) continue;
        const float d = distanceSquared(s.at, to);
        if (d < bestDistance) {
            bestDistance = d;
            best = s.cell;
        }
    }
    return best;
}

const CursorSpot* spotOf(const CursorScreen& screen, int cell) {
    for (const CursorSpot& s : screen.spots)
        if (s.cell == cell) return &s;
    return nullptr;
}

struct HintChoice {
    int cell = -1;
    int size = 1;
};

// The group worth most among those with a reachable spot, and its reachable bubble nearest to
// `near`; among groups of one size, the first found.
HintChoice bestGroupInReach(const Puzzle& board, const CursorScreen& screen, Point near) {
    int group[kNumBlocks];
    const std::vector<int> sizes = boardGroups(board, group);
    HintChoice best;
    float bestDistance = 0.0f;
    for (const CursorSpot& s : screen.spots) {
        if (!s.reachable || s.cell < 0 || s.cell >= kNumBlocks || group[s.cell] < 0) continue;
        const int size = sizes[static_cast<std::size_t>(group[s.cell])];
        const float d = distanceSquared(s.at, near);
        const bool sameGroup = best.cell >= 0 && group[best.cell] == group[s.cell];
        if (size > best.size || (sameGroup && d < bestDistance)) {
            best = {s.cell, size};
            bestDistance = d;
        }
    }
    return best;
}

// How many times the model re-gridded an axis in one update: besides its step of 10 degrees,
// the drawn angle drops by a quarter turn each time.
int regrids(float before, float after) {
    float d = after - before;
    while (d > 180.0f)
        d -= 360.0f;
    while (d <= -180.0f)
        d += 360.0f;
    const long k = std::lround(-d / 90.0f);
    return k > 0 ? static_cast<int>(k) : 0;
}

void turnToTarget(Puzzle& board) {
    for (int i = 0; i < kMostTurnFrames; ++i) {
        if (board.currRot[1] == board.dstRot[1] && board.currRot[2] == board.dstRot[2]) return;
        updatePuzzleOrientation(&board);
    }
}

} // namespace

std::vector<int> boardGroups(const Puzzle& p, int group[kNumBlocks]) {
    std::vector<int> sizes;
    std::vector<int> work;
    for (int n = 0; n < kNumBlocks; ++n)
        group[n] = -1;
    for (int start = 0; start < kNumBlocks; ++start) {
        if (group[start] >= 0 || !isLive(p.blocks[start].state)) continue;
        const int id = static_cast<int>(sizes.size());
        sizes.push_back(0);
        group[start] = id;
        work.assign(1, start);
        while (!work.empty()) {
            const int n = work.back();
            work.pop_back();
            ++sizes[static_cast<std::size_t>(id)];
            for (const int f : p.blocks[n].friends) {
                if (f < 0 || f >= kNumBlocks || group[f] >= 0) continue;
                const BlockState& s = p.blocks[f].state;
                if (!isLive(s) || s.color != p.blocks[start].state.color) continue;
                group[f] = id;
                work.push_back(f);
            }
        }
    }
    return sizes;
}

int spotInDirection(const std::vector<CursorSpot>& spots, Point from, float dx, float dy) {
    const float length = std::hypot(dx, dy);
    if (!(length > 0.0f)) return -1;
    int best = -1;
    float bestScore = std::numeric_limits<float>::infinity();
    for (const CursorSpot& s : spots) {
        if (!s.reachable) continue;
        const float vx = s.at.x - from.x;
        const float vy = s.at.y - from.y;
        const float along = (vx * dx + vy * dy) / length;
        const float across = std::fabs(vx * dy - vy * dx) / length;
        if (along < kSameSpot || across > along) continue; // behind, beside, or wider than 45°
        const float score = along + kAcrossWeight * across;
        if (score < bestScore) {
            bestScore = score;
            best = s.cell;
        }
    }
    return best;
}

void settleAfterTurn(Puzzle& board, int direction) {
    turnToTarget(board); // a turn under way ends first
    board.flags &= ~kPuzzleBusy;
    rotatePuzzle(&board, direction);
    settleAtRest(board);
}

void settleAtRest(Puzzle& board) {
    turnToTarget(board);
    for (Block& b : board.blocks)
        if (b.state.flags & kBlockPopped) b.state.flags &= ~kBlockBursting; // bursts over
    // Lower layers come first in a pass, so a column over an empty cell sinks a cell per pass.
    for (bool moved = true; moved;) {
        moved = false;
        for (Block& b : board.blocks) {
            const int below = b.friends[4];
            if (below < 0 || below >= kNumBlocks || isDead(b.state)) continue;
            if (!isDead(board.blocks[below].state)) continue;
            std::swap(b.state, board.blocks[below].state);
            moved = true;
        }
    }
    for (Block& b : board.blocks) { // at rest: the turn's angles are back at 0
        for (int i = 0; i < 3; ++i) {
            b.position[i] = b.origin[i];
            b.state.offset[i] = 0.0f;
            b.state.scale[i] = 1.0f;
        }
        b.state.flags &= ~(kBlockMoving | kBlockFalling);
    }
}

int KeyboardCursor::settle(const CursorScreen& screen) {
    Point from = visible_ ? lastAt_ : screen.centre;
    if (visible_ && cell_ >= 0) {
        if (const CursorSpot* own = spotOf(screen, cell_)) {
            if (own->reachable) return cell_;
            from = own->at;
        }
    }
    return nearestReachable(screen.spots, from);
}

void KeyboardCursor::showAt(const CursorScreen& screen, int cell) {
    visible_ = true;
    cell_ = cell;
    if (const CursorSpot* s = spotOf(screen, cell)) lastAt_ = s->at;
}

KeyboardCursor::Action KeyboardCursor::press(Key key, const Puzzle& board) {
    CursorScreen screen;
    finder_(board, screen);
    if (key == Key::Hint) return hint(board, screen);
    const int start = settle(screen);
    if (start < 0) return {}; // no bubble in reach: nothing to show
    showAt(screen, start);
    Action action;
    if (key == Key::Tap) {
        action.tap = lastAt_;
        return action;
    }
    // View points: y grows downward.
    static constexpr float kSteps[][2] = {{-1, 0},  {1, 0},  {0, -1}, {0, 1},
                                          {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    const auto* step = kSteps[static_cast<int>(key)];
    const int next = spotInDirection(screen.spots, lastAt_, step[0], step[1]);
    if (next >= 0) showAt(screen, next);
    return action;
}

bool KeyboardCursor::hintInReach(const Puzzle& board, const CursorScreen& screen,
                                 Action& action) {
    const HintChoice here = bestGroupInReach(board, screen, visible_ ? lastAt_ : screen.centre);
    if (here.cell < 0) return false;
    showAt(screen, here.cell);
    // A tap on the selected group would burst it: the hint only selects.
    if (!(board.blocks[here.cell].state.flags & kBlockSelected)) action.tap = lastAt_;
    return true;
}

KeyboardCursor::Action KeyboardCursor::hint(const Puzzle& board, const CursorScreen& screen) {
    Action action;
    if (hintInReach(board, screen, action)) return action;
    const RestingKey key = restingKey(board);
    for (std::size_t i = 0; i < series_.size(); ++i) {
        if (seriesKeys_[i] != key) continue;
        action.pulseTurn = series_[i];
        startPulse(action.pulseTurn, key);
        return action;
    }
    searchKey_ = key;
    action.search = true;
    return action;
}

KeyboardCursor::Action KeyboardCursor::hintAnswer(const std::optional<std::vector<int>>& turns,
                                                  const Puzzle& board) {
    Action action;
    if (!searchKey_ || boardChanged(board, *searchKey_)) return action; // asked for another
    const RestingKey key = *searchKey_;
    searchKey_.reset();
    if (!turns) {
        noticeFrames_ = kNoticeFrames;
        noticeKey_ = key;
        return action;
    }
    if (turns->empty()) { // in reach once the board rests
        CursorScreen screen;
        finder_(board, screen);
        hintInReach(board, screen, action);
        return action;
    }
    series_ = *turns;
    seriesKeys_.assign(1, key);
    const auto turned = std::make_unique<Puzzle>(board);
    settleAtRest(*turned);
    for (std::size_t i = 0; i + 1 < series_.size(); ++i) {
        settleAfterTurn(*turned, series_[i]);
        seriesKeys_.push_back(restingKey(*turned));
    }
    action.pulseTurn = series_.front();
    startPulse(action.pulseTurn, key);
    return action;
}

void KeyboardCursor::startPulse(int direction, const RestingKey& key) {
    pulseDirection_ = direction;
    pulseFrames_ = kPulseFrames;
    pulseKey_ = key;
    noticeFrames_ = 0; // the pulse says more
}

KeyboardCursor::RestingKey KeyboardCursor::restingKey(const Puzzle& board) {
    const auto rest = std::make_unique<Puzzle>(board);
    settleAtRest(*rest);
    RestingKey key;
    for (int n = 0; n < kNumBlocks; ++n) {
        const BlockState& s = rest->blocks[n].state;
        key[static_cast<std::size_t>(n)] = static_cast<signed char>(isLive(s) ? s.color : -1);
    }
    return key;
}

bool KeyboardCursor::boardChanged(const Puzzle& board, const RestingKey& key) {
    if (board.flags & (kPuzzleGameOver | kPuzzleStarting)) return true;
    return restingKey(board) != key;
}

std::optional<KeyboardCursor::Pulse> KeyboardCursor::nextPulse(const Puzzle& board) {
    if (pulseDirection_ < 0) return std::nullopt;
    const int direction = pulseDirection_;
    if (pulseFrames_ > 0 && boardChanged(board, pulseKey_)) pulseFrames_ = 0; // the hint is stale
    if (pulseFrames_ == 0) {
        pulseDirection_ = -1;
        return Pulse{direction, 0.0f};
    }
    --pulseFrames_;
    const float phase = static_cast<float>(pulseFrames_ % kPulsePeriod) / kPulsePeriod;
    return Pulse{direction, 0.5f - 0.5f * std::cos(phase * 2.0f * std::numbers::pi_v<float>)};
}

std::optional<bool> KeyboardCursor::nextNotice(const Puzzle& board) {
    if (noticeFrames_ > 0 && boardChanged(board, noticeKey_)) noticeFrames_ = 0;
    if (noticeFrames_ == 0) {
        if (!noticeShown_) return std::nullopt;
        noticeShown_ = false;
        return false;
    }
    --noticeFrames_;
    noticeShown_ = true;
    return true;
}

void KeyboardCursor::beforeUpdate(const Puzzle& board) {
    if (!visible_ || cell_ < 0) return;
    for (int n = 0; n < kNumBlocks; ++n)
        live_[n] = isLive(board.blocks[n].state);
    std::copy(board.currRot, board.currRot + 3, rot_);
}

void KeyboardCursor::afterUpdate(const Puzzle& board) {
    if (!visible_) return;
    if (board.flags & kPuzzleStarting) { // a new board drops in
        visible_ = false;
        return;
    }
    if (cell_ >= 0) follow(board);
    if (!boardAtRest(board)) {
        recheck_ = true;
        return;
    }
    // Undo may have put another board under it since the last frame.
    const bool gone = cell_ < 0 || !isLive(board.blocks[cell_].state);
    if (!recheck_ && !gone) return;
    recheck_ = false;
    CursorScreen screen;
    finder_(board, screen);
    const int cell = settle(screen);
    if (cell >= 0)
        showAt(screen, cell);
    else
        cell_ = -1;
}

void KeyboardCursor::follow(const Puzzle& board) {
    // The model re-grids a left or right turn through permutation kDirLeft, an up or down one
    // through kDirDown, the left-right axis first.
    static constexpr int kAxes[2][2] = {{2, kDirLeft}, {1, kDirDown}};
    for (const auto& [axis, permutation] : kAxes) {
        for (int k = regrids(rot_[axis], board.currRot[axis]); k > 0; --k) {
            bool moved[kNumBlocks];
            for (int n = 0; n < kNumBlocks; ++n)
                moved[permutedCell(n, permutation)] = live_[n];
            std::copy(moved, moved + kNumBlocks, live_);
            cell_ = permutedCell(cell_, permutation);
        }
    }
    if (!live_[cell_]) { // burst: its cell empties
        cell_ = -1;
        return;
    }
    // A fall keeps a column's order: the bubble still has as many live bubbles below it.
    int below = 0;
    for (int c = board.blocks[cell_].friends[4]; c >= 0 && c < kNumBlocks;
         c = board.blocks[c].friends[4])
        below += live_[c] ? 1 : 0;
    int c = cell_;
    while (board.blocks[c].friends[4] >= 0 && board.blocks[c].friends[4] < kNumBlocks)
        c = board.blocks[c].friends[4];
    for (; c >= 0 && c < kNumBlocks; c = board.blocks[c].friends[5]) {
        if (!isLive(board.blocks[c].state)) continue;
        if (below-- == 0) {
            cell_ = c;
            return;
        }
    }
    cell_ = -1;
}
