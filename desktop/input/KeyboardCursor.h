// Keyboard play: a cursor over the bubbles a click can reach, moved on screen by direction keys,
// tapping the bubble under it, and the hint. It sees the screen only through the spots the game
// view finds for a board (where each bubble shows and whether a click there picks it), so it needs
// no GL; the view makes the taps and draws the ring. The model is only read.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "model/Puzzle.h"
#include "platform/base/Geometry.h"

// A live bubble as the view shows it: the view point (origin top-left, y down) a click would use
// to hit its centre, and whether such a click picks this very bubble.
struct CursorSpot {
    int cell = -1;
    Point at;
    bool reachable = false;
};

struct CursorScreen {
    std::vector<CursorSpot> spots;
    Point centre; // of the view
};

// The reachable spot nearest to `from` in the direction (dx, dy) (view points, y down): within 45
// degrees of it, the distance across the direction counting twice. -1 when there is none.
int spotInDirection(const std::vector<CursorSpot>& spots, Point from, float dx, float dy);

class KeyboardCursor {
public:
    // Fills the spots of a board: the one being played, or a copy the hint tries a turn on.
    using SpotFinder = std::function<void(const Puzzle& board, CursorScreen& screen)>;
    explicit KeyboardCursor(SpotFinder finder) : finder_(std::move(finder)) {}

    enum class Key { Left, Right, Up, Down, UpLeft, UpRight, DownLeft, DownRight, Tap, Hint };
    // What the view is to do for a key: a click at `tap`, which arrow button to pulse, or a
    // search for the turns that bring a group into reach (see hintAnswer).
    struct Action {
        std::optional<Point> tap;
        int pulseTurn = -1; // a kDir* code
        bool search = false;
    };
    // The first key while hidden shows the cursor on the reachable bubble nearest the view's
    // centre, then acts. A move finds the next reachable bubble that way; Tap clicks under the
    // cursor; Hint goes to the best group in reach and selects it, or pulses the next turn of
    // the series a hint found for this board, or else asks for a search. The hint's group: the
    // one worth most among those with a reachable bubble, at its reachable bubble nearest to the
    // cursor.
    Action press(Key key, const Puzzle& board);
    // A search asked for by Hint has answered: `turns` brings a group into reach (empty: one is
    // in reach already), none: no series within the search's budget does. Nothing when the
    // board is no longer the one the search was asked for. A series pulses its first turn and
    // is remembered, so that Hint after each turn pulses the next; no series shows the notice.
    Action hintAnswer(const std::optional<std::vector<int>>& turns, const Puzzle& board);

    bool visible() const { return visible_; }
    // The cell under the cursor; -1 while hidden, or while its bubble has gone and the board has
    // not settled yet.
    int cell() const { return visible_ ? cell_ : -1; }
    void hide() { visible_ = false; }

    // Around each frame update of the board: follows the bubble through the quarter turns'
    // re-gridding and the fall, and once the board rests, moves to the reachable bubble nearest
    // to where it was if its own is out of reach or gone.
    void beforeUpdate(const Puzzle& board);
    void afterUpdate(const Puzzle& board);

    // Once per frame (after the board's update) while a hint's pulse runs: its turn and how
    // strongly to light its button, ending with one 0. It ends early once the board is no longer
    // the one the hint was for: a burst, a turn, a step of undo, a new game or the game's end.
    struct Pulse {
        int direction;
        float amount;
    };
    std::optional<Pulse> nextPulse(const Puzzle& board);
    // Once per frame while the notice that no series was found shows: true, ending with one
    // false after a few seconds or as soon as the board changes as for the pulse.
    std::optional<bool> nextNotice(const Puzzle& board);

    // The board as it will rest, a cell's colour or -1 for none: what a hint is for.
    using RestingKey = std::array<signed char, kNumBlocks>;
    static RestingKey restingKey(const Puzzle& board);

private:
    // The cell to move to from the screen's spots: the one under the cursor if still reachable,
    // else the reachable one nearest to where it was (to the view's centre when hidden).
    int settle(const CursorScreen& screen);
    void showAt(const CursorScreen& screen, int cell);
    // The cell its bubble has after one frame update; -1 when it burst.
    void follow(const Puzzle& board);
    Action hint(const Puzzle& board, const CursorScreen& screen);
    bool hintInReach(const Puzzle& board, const CursorScreen& screen, Action& action);
    void startPulse(int direction, const RestingKey& key);
    static bool boardChanged(const Puzzle& board, const RestingKey& key);

    SpotFinder finder_;
    bool visible_ = false;
    int cell_ = -1;        // -1: its bubble has gone
    Point lastAt_;         // where the cursor showed last
    bool recheck_ = false; // the board moved since the cursor was last checked at rest
    bool live_[kNumBlocks] = {};
    float rot_[3] = {};
    int pulseDirection_ = -1;
    int pulseFrames_ = 0;
    RestingKey pulseKey_{}; // the board the pulse's hint was for
    std::optional<RestingKey> searchKey_; // the board a search was asked for
    // The last series found: its turns and the board before each of them.
    std::vector<int> series_;
    std::vector<RestingKey> seriesKeys_;
    int noticeFrames_ = 0;
    bool noticeShown_ = false;
    RestingKey noticeKey_{};
};

// A copy of `board` as it rests after quarter turn `direction` (a kDir* code): the model's own
// re-gridding, bursts over, the fall, every bubble in its cell.
void settleAfterTurn(Puzzle& board, int direction);
// The same without a turn: a turn under way ends, bursts end, the bubbles fall and rest.
void settleAtRest(Puzzle& board);
// Each live cell's group (bubbles of one colour joined through faces), -1 elsewhere; returns the
// groups' sizes.
std::vector<int> boardGroups(const Puzzle& p, int group[kNumBlocks]);
