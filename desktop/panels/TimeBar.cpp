#include "desktop/panels/TimeBar.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

#include "platform/ui/ProgressView.h"
#include "platform/ui/UIDrawing.h"

namespace {

// The warning's red, and how it pulses: once a second between full and lighter.
constexpr Color kWarningRed{0.86f, 0.08f, 0.06f, 1.0f};
constexpr Color kWarningLight{1.0f, 0.55f, 0.50f, 1.0f};
constexpr float kFramesPerSecond = 50.0f;

} // namespace

void TimeBar::refill(int seconds) {
    if (!bar_) return;
    bar_->setProgress(1.0f);
    bar_->setText(timeLeftText(seconds));
    bar_->setHidden(seconds == 0);
}

bool TimeBar::showProgress(float progress, float seconds) {
    if (!bar_) return false;
    const float before = bar_->progress();
    // The model counts whole seconds: the share times the length is a whole number.
    std::string text = timeLeftText(static_cast<int>(std::lround(progress * seconds)));
    const bool changed = text != bar_->text();
    bar_->setProgress(progress);
    bar_->setText(std::move(text));
    return changed || bar_->progress() != before;
}

std::string timeLeftText(int seconds) {
    seconds = std::max(seconds, 0);
    const int s = seconds % 60;
    return std::to_string(seconds / 60) + (s < 10 ? ":0" : ":") + std::to_string(s);
}

void TimeBar::clearWarning() {
    if (bar_) bar_->setProgressTintColor(std::nullopt);
}

bool TimeBar::followWarning(bool warned, std::uint32_t frame) {
    if (!bar_) return false;
    if (!warned) {
        if (!bar_->progressTintColor()) return false;
        bar_->setProgressTintColor(std::nullopt);
        return true;
    }
    const float phase = static_cast<float>(frame) / kFramesPerSecond;
    const float t = 0.5f - 0.5f * std::cos(phase * 2.0f * std::numbers::pi_v<float>);
    bar_->setProgressTintColor(mixColor(kWarningRed, kWarningLight, t));
    return true;
}
