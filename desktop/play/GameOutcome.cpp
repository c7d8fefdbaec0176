#include "desktop/play/GameOutcome.h"

const char* gameEndReasonName(GameEndReason reason) {
    switch (reason) {
    case GameEndReason::Cleared:
        return "cleared";
    case GameEndReason::NoPairsLeft:
        return "no pairs left";
    case GameEndReason::NoMoveLeft:
        return "no move left";
    case GameEndReason::TimeUp:
        return "time up";
    }
    return "cleared";
}

GameEndReason gameEndReason(const Puzzle& p, std::int64_t now) {
    int perColour[kNumColors] = {};
    int live = 0;
    for (const Block& b : p.blocks) {
        if (!isLive(b.state)) continue;
        ++live;
        if (b.state.color >= 0 && b.state.color < kNumColors) ++perColour[b.state.color];
    }
    if (live == 0) return GameEndReason::Cleared;
    bool pair = false;
    for (int n : perColour)
        pair = pair || n >= 2;
    if (!pair) return GameEndReason::NoPairsLeft;
    if ((p.flags & kPuzzleTimed) &&
        static_cast<float>(elapsedSeconds(p.startTime, now)) > p.numGameSecs)
        return GameEndReason::TimeUp;
    return GameEndReason::NoMoveLeft;
}

int gameTypeOf(const Puzzle& p) {
    if (!(p.flags & kPuzzleTimed)) return 0;
    return static_cast<int>(p.numGameSecs / 60.0f);
}
