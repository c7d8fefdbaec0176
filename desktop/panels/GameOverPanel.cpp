// The game-over panel: its lines from the game's facts, and their drawing on the card.
#include "desktop/panels/GameOverPanel.h"

#include "desktop/record/ScoreTables.h"
#include "platform/base/Translation.h"
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

GameOverPanel::GameOverPanel(const Rect& frame) : Panel(frame, _("Game Over")) {
    // Light enough to see the board through; a tap beside the card shows it all.
    setBackdropAlpha(0.2f);
    setClosesOnTapOutside(true);
    addButton(
        _("New Game"),
        [this] {
            if (Handler h = newGameHandler_) h();
        },
        true);
    addButton(
        _("Scores"),
        [this] {
            if (Handler h = scoresHandler_) h();
        },
        false);
    buildLines();
}

std::string GameOverPanel::reasonText(GameEndReason reason) {
    switch (reason) {
    case GameEndReason::Cleared:
        return _("The cube is cleared!");
    case GameEndReason::NoPairsLeft:
        return _("No pairs are left.");
    case GameEndReason::NoMoveLeft:
        return _("No move is left.");
    case GameEndReason::TimeUp:
        return _("Time is up.");
    }
    return {};
}

std::string GameOverPanel::placeText(int rank, std::uint32_t score, int type) {
    if (score == 0) return _("No points: not recorded");
    // TRANSLATORS: the kind of games a score table keeps, as in "Not among the 10 best untimed
    // games" and "2nd of the untimed games".
    const std::string games = type <= 0 ? std::string(_("untimed games"))
                                        // TRANSLATORS: %d is 1 to 5, as in "3-minute games".
                                        : textFormat(_("%d-minute games"), type);
    // TRANSLATORS: %s is "untimed games" or "3-minute games".
    if (rank <= 0) return textFormat(_("Not among the 10 best %s"), games.c_str());
    // A table keeps ten.
    static const char* const kPlaces[] = {// TRANSLATORS: a place in a table of the ten best games.
                                          N_("1st"), N_("2nd"), N_("3rd"), N_("4th"), N_("5th"),
                                          N_("6th"), N_("7th"), N_("8th"), N_("9th"), N_("10th")};
    const std::string place = rank <= 10 ? std::string(_(kPlaces[rank - 1])) : std::to_string(rank);
    // TRANSLATORS: a place among the kind of games, as in "2nd of the 3-minute games".
    return textFormat(_("%1$s of the %2$s"), place.c_str(), games.c_str());
}

void GameOverPanel::buildLines() {
    const Color white = Color::whiteColor();
    lines_.clear();
    lines_.push_back({reasonText(info_.reason), "", white, true});
    lines_.push_back({_("Score"), std::to_string(info_.score), white, true});
    lines_.push_back({_("Best score"), std::to_string(info_.best), kLabelColor, false});
    if (info_.practice) {
        lines_.push_back({_("Practice game: not recorded"), "", kPracticeColor, true});
    } else {
        lines_.push_back(
            {placeText(info_.rank, info_.score, info_.gameType), "", kLabelColor, false});
        if (info_.newBest) lines_.push_back({_("New best score!"), "", newBestColor(), true});
    }
    lines_.push_back({// TRANSLATORS: the label of the board's number.
                      _("Game"), std::to_string(info_.gameNumber), kLabelColor, false});
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
        // A label longer than its room (in another language) is drawn smaller.
        if (line.value.empty()) {
            const float fitted = fittingPointSize(line.label, size, weight, c.size.width, scale);
            drawPanelText(line.label, {c.origin.x + c.size.width * 0.5f, y}, fitted, weight,
                          line.color, scale, TextAnchor::TopCentre);
        } else {
            const float w = textSize(line.value, size, weight, scale).width;
            const float fitted =
                fittingPointSize(line.label, size, weight, c.size.width - w - 8.0f, scale);
            drawPanelText(line.label, {c.origin.x, y}, fitted, weight, line.color, scale);
            drawPanelText(line.value, {c.origin.x + c.size.width - w, y}, size, weight, line.color,
                          scale);
        }
        y += textLineHeight(size, FontWeight::Bold, scale) + kLineGap;
    }
}
