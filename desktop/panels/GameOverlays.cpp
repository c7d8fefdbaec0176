#include "desktop/panels/GameOverlays.h"

#include <algorithm>
#include <string>

#include "model/Puzzle.h"
#include "platform/base/Translation.h"
#include "platform/ui/Text.h"

namespace {

constexpr Color kInfoText{0.25f, 0.25f, 0.28f, 1.0f};
constexpr Color kPracticeText{0.72f, 0.30f, 0.05f, 1.0f};
constexpr Color kCoverTop{0.93f, 0.93f, 0.93f, 1.0f};
constexpr Color kCoverBottom{0.80f, 0.80f, 0.82f, 1.0f};
constexpr Color kCoverText{0.20f, 0.20f, 0.24f, 1.0f};
constexpr float kPausedSize = 30.0f;
constexpr float kHintSize = 13.0f;
constexpr float kGameOverTop = 84.0f; // below the score the game draws at the top

} // namespace

ScoreInfoView::ScoreInfoView(const Rect& frame) : Widget(frame) {
    setUserInteractionEnabled(false);
}

std::unique_ptr<ScoreInfoView> ScoreInfoView::initWithFrame(const Rect& frame) {
    return std::unique_ptr<ScoreInfoView>(new ScoreInfoView(frame));
}

void ScoreInfoView::draw(float scale) {
    // TRANSLATORS: the best score of all, over the game; %u is the score.
    const std::string best = textFormat(_("Best %u"), highScore);
    const float w = textSize(best, kTextSize, FontWeight::Bold, scale).width;
    drawText(best, {bounds().size.width - kInset - w, kInset}, kTextSize, FontWeight::Bold,
             kInfoText, scale);
    if (practice_)
        // TRANSLATORS: over a game in which undo was used; its score is not kept.
        drawText(_("Practice"), {kInset, kInset}, kTextSize, FontWeight::Bold, kPracticeText,
                 scale);
    if (endUnsaid_ && endUnsaid_()) {
        const float middle = bounds().size.width * 0.5f;
        drawText(_("Game over"), {middle, kGameOverTop}, kTextSize + 2.0f, FontWeight::Bold,
                 kInfoText, scale, TextAnchor::TopCentre);
        drawText(_("Press Return for a new game"), {middle, kGameOverTop + 20.0f}, kTextSize,
                 FontWeight::Regular, kInfoText, scale, TextAnchor::TopCentre);
    } else if (noPairNotice_) {
        const std::string notice = _("No pair within reach of the turns tried");
        // Longer translations shrink to the view's width rather than run off it.
        const float room = bounds().size.width - 2.0f * kInset;
        float size = kTextSize + 1.0f;
        const float width = textSize(notice, size, FontWeight::Bold, scale).width;
        if (width > room && width > 0.0f) size *= room / width;
        drawText(notice, {bounds().size.width * 0.5f, kGameOverTop}, size, FontWeight::Bold,
                 kInfoText, scale, TextAnchor::TopCentre);
    }
}

Rect ScoreInfoView::drawingArea() const {
    // The top line, and below it, while shown, the end's two lines or the notice's one; with a
    // line's height to spare under each.
    const bool lower = noPairNotice_ || (endUnsaid_ && endUnsaid_());
    const float bottom =
        lower ? kGameOverTop + 20.0f + 2.0f * kTextSize : kInset + 2.0f * kTextSize;
    return {bounds().origin, {bounds().size.width, std::min(bounds().size.height, bottom)}};
}

PauseCover::PauseCover(const Rect& frame, std::function<void()> resume)
    : Widget(frame), resume_(std::move(resume)) {}

std::unique_ptr<PauseCover> PauseCover::initWithFrame(const Rect& frame,
                                                      std::function<void()> resume) {
    return std::unique_ptr<PauseCover>(new PauseCover(frame, std::move(resume)));
}

void PauseCover::draw(float scale) {
    const Rect r{bounds().origin, bounds().size};
    uiFillRect(r, Gradient::vertical(kCoverTop, kCoverBottom));
    const Point centre{r.size.width * 0.5f, r.size.height * 0.45f};
    drawText(_("Paused"), centre, kPausedSize, FontWeight::Bold, kCoverText, scale,
             TextAnchor::Centre);
    drawText(_("Press P or click to go on"), {centre.x, centre.y + kPausedSize}, kHintSize,
             FontWeight::Regular, kCoverText, scale, TextAnchor::Centre);
}

void PauseCover::touchesBegan(const Touch& /*touch*/) {
    if (resume_) resume_();
}

bool PauseCover::keyDown(const KeyEvent& /*key*/) {
    if (resume_) resume_();
    return true;
}

NavigationButtons::NavigationButtons(const Rect& frame,
                                     std::vector<std::unique_ptr<Button>> buttons)
    : View(frame), buttons_(std::move(buttons)) {
    for (const auto& button : buttons_)
        addSubview(button.get());
}
