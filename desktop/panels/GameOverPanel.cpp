// The game-over panel: its lines from the game's facts, and their drawing on the card.
#include "desktop/panels/GameOverPanel.h"

#include "desktop/record/ScoreTables.h"
#include "platform/gl/Screen.h"

namespace {

constexpr float kLineSize = 15.0f;
constexpr float kReasonSize = 16.0f;
constexpr float kLineGap = 3.0f;
const Color kLabelColor{0.78f, 0.84f, 0.95f, 1.0f};
const Color kPracticeColor{1.0f, 0.55f, 0.45f, 1.0f};

} // namespace

std::unique_ptr<GameOverPanel> GameOverPanel::initWithFrame(const Rect& frame) {
    return std::unique_ptr<GameOverPanel>(new GameOverPanel(frame));
}

GameOverPanel::GameOverPanel(const Rect& frame) : Panel(frame, "Game Over") {
    // Light enough to see the board through; a tap beside the card shows it all.
    setBackdropAlpha(0.2f);
    setClosesOnTapOutside(true);
    addButton(
        "New Game",
        [this] {
            if (Handler h = newGameHandler_) h();
        },
        true);
    addButton(
        "Scores",
        [this] {
            if (Handler h = scoresHandler_) h();
        },
        false);
    buildLines();
}

std::string GameOverPanel::reasonText(GameEndReason reason) {
    switch (reason) {
    case GameEndReason::Cleared:
        return "The cube is cleared!";
    case GameEndReason::NoPairsLeft:
        return "No pairs are left.";
    case GameEndReason::NoMoveLeft:
        return "No move is left.";
    case GameEndReason::TimeUp:
        return "Time is up.";
    }
    return {};
}

std::string GameOverPanel::placeText(int rank, std::uint32_t score, int type) {
    if (score == 0) return "No points: not recorded";
    const std::string games =
        (type <= 0 ? std::string("untimed") : std::to_string(type) + "-minute") + " games";
    if (rank <= 0) return "Not among the 10 best " + games;
    // 1st, 2nd, 3rd, 4th ... 10th: a table keeps ten.
    const char* const suffix = rank == 1 ? "st" : rank == 2 ? "nd" : rank == 3 ? "rd" : "th";
    return std::to_string(rank) + suffix + " of the " + games;
}

void GameOverPanel::buildLines() {
    const Color white = Color::whiteColor();
    lines_.clear();
    lines_.push_back({reasonText(info_.reason), "", white, true});
    lines_.push_back({"Score", std::to_string(info_.score), white, true});
    lines_.push_back({"Best score", std::to_string(info_.best), kLabelColor, false});
    if (info_.practice) {
        lines_.push_back({"Practice game: not recorded", "", kPracticeColor, true});
    } else {
        lines_.push_back(
            {placeText(info_.rank, info_.score, info_.gameType), "", kLabelColor, false});
        if (info_.newBest) lines_.push_back({"New best score!", "", newBestColor(), true});
    }
    lines_.push_back({"Game", std::to_string(info_.gameNumber), kLabelColor, false});
    // The card fits its lines: title, lines, buttons.
    const float scale = windowContentScale();
    float h = kPadding + textLineHeight(kTitleSize, FontWeight::Bold, scale) + 8.0f;
    for (std::size_t i = 0; i < lines_.size(); ++i)
        h += textLineHeight(i == 0 ? kReasonSize : kLineSize, FontWeight::Bold, scale) + kLineGap;
    h += 10.0f + kButtonHeight + kPadding + 6.0f;
    setCardHeight(h);
    layoutSubviews();
}

void GameOverPanel::showGameOver(const GameOverInfo& info) {
    info_ = info;
    buildLines();
    show();
}

void GameOverPanel::drawContent(float scale) {
    const Rect c = contentFrame();
    float y = c.origin.y;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        const float size = i == 0 ? kReasonSize : kLineSize;
        const FontWeight weight = line.bold ? FontWeight::Bold : FontWeight::Regular;
        if (line.value.empty()) {
            drawPanelText(line.label, {c.origin.x + c.size.width * 0.5f, y}, size, weight,
                          line.color, scale, TextAnchor::TopCentre);
        } else {
            drawPanelText(line.label, {c.origin.x, y}, size, weight, line.color, scale);
            const float w = textSize(line.value, size, weight, scale).width;
            drawPanelText(line.value, {c.origin.x + c.size.width - w, y}, size, weight, line.color,
                          scale);
        }
        y += textLineHeight(size, FontWeight::Bold, scale) + kLineGap;
    }
}
