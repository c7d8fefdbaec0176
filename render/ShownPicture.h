// What the last presented frame showed: the board (its frame count aside) and the settings the
// drawing reads, so that a tick on a board at rest draws nothing.
#pragma once

#include "model/Puzzle.h"

class ShownPicture {
public:
    // False when a frame of `board` now would be the one remembered.
    bool mayDiffer(const Puzzle& board) const;
    void remember(const Puzzle& board);

private:
    struct Settings {
        int sfxState, hintState, gameType;
        unsigned highScore;
        bool operator==(const Settings&) const = default;
    };
    static Settings current();

    Puzzle board_{};
    Settings settings_{};
};
