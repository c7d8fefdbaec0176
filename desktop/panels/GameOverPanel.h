// The panel over the cube when a game has ended: why, the score, the best score, the rank, "New
// best score!", the game number and whether it was practice; New Game and Scores. Escape or a tap
// beside the card hides it. Platform view layer, the game's outcome and the tables' titles only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "desktop/panels/Panel.h"
#include "desktop/play/GameOutcome.h"

struct GameOverInfo {
    GameEndReason reason = GameEndReason::Cleared;
    std::uint32_t score = 0;
    std::uint32_t best = 0;       // the best score after this game
    int rank = 0;                 // 1 ... 10 in the game type's table; 0 when it did not enter
    bool newBest = false;         // this game set the best score
    bool practice = false;        // undo was used: nothing was recorded, rank and newBest unused
    std::uint64_t gameNumber = 0; // the seed of the board
    int gameType = 0;             // 0 untimed, 1 ... 5 minutes
};

class GameOverPanel : public Panel {
public:
    // `frame`: the game area it covers (the card sits in its middle).
    static std::unique_ptr<GameOverPanel> initWithFrame(const Rect& frame);

    // Takes the game's facts and shows the panel.
    void showGameOver(const GameOverInfo& info);
    const GameOverInfo& info() const { return info_; }

    // The buttons hide the panel (the close handler runs), then call these. Return is New Game.
    void setNewGameHandler(Handler handler) { newGameHandler_ = std::move(handler); }
    void setScoresHandler(Handler handler) { scoresHandler_ = std::move(handler); }

    // The lines the card shows, top to bottom, as laid out for the latest info.
    struct Line {
        std::string label;
        std::string value; // right-aligned; "" for a line of its own
        Color color;
        bool bold = false;
    };
    const std::vector<Line>& lines() const { return lines_; }

    // The reason as the card says it.
    static std::string reasonText(GameEndReason reason);
    // Where the game came in its game type's table, as a place ("2nd of the untimed games"); a
    // game without points enters no table.
    static std::string placeText(int rank, std::uint32_t score, int type);
    // The colour of the "New best score!" line, which nothing else on the card uses.
    static Color newBestColor() { return {1.0f, 0.80f, 0.16f, 1.0f}; }

    void drawContent(float scale) override;

private:
    explicit GameOverPanel(const Rect& frame);
    void buildLines();

    GameOverInfo info_;
    std::vector<Line> lines_;
    Handler newGameHandler_;
    Handler scoresHandler_;
};
