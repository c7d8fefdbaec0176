// How a game ended and what the application hears of it: the reason read from the board at the
// end, the score, the board's number, the game type and whether undo made it practice. Model
// only; no platform.
#pragma once

#include <cstdint>

#include "model/Puzzle.h"

enum class GameEndReason { Cleared, NoPairsLeft, NoMoveLeft, TimeUp };

// "cleared", "no pairs left", "no move left", "time up".
const char* gameEndReasonName(GameEndReason reason);

// Why a game that has just ended (in this frame) ended, from the board, the solver's verdict
// (`quitRequest`) and the calendar seconds `now`: no bubble left, no colour with two, the time
// of a timed game run out, else the solver found no move.
GameEndReason gameEndReason(const Puzzle& p, std::int64_t now);

struct GameOutcome {
    GameEndReason reason = GameEndReason::Cleared;
    std::uint32_t score = 0;
    std::uint32_t gameNumber = 0;
    int gameType = 0;      // 0 untimed, 1 ... 5 minutes
    bool practice = false; // undo was used: no best score, no table
    bool newBest = false;  // the score became the best score
};

// The game type of a running board: minutes of a timed game, 0 for an untimed one.
int gameTypeOf(const Puzzle& p);
