// The progress bar: a blue-grey track with a darker edge, and a glossy blue fill over it.
#include "platform/ui/ProgressView.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Text.h"

namespace {

constexpr float kEdge = 1.0f; // the track's edge, in points

} // namespace

std::unique_ptr<ProgressView> ProgressView::initWithFrame(const Rect& frame) {
    return std::unique_ptr<ProgressView>(new ProgressView(frame));
}

void ProgressView::setProgress(float progress) {
    progress_ = std::isnan(progress) ? 0.0f : std::clamp(progress, 0.0f, 1.0f);
}

Rect ProgressView::fillRect() const {
    const Rect& b = bounds();
    const float innerW = std::max(0.0f, b.size.width - 2 * kEdge);
    const float innerH = std::max(0.0f, b.size.height - 2 * kEdge);
    return {{b.origin.x + kEdge, b.origin.y + kEdge}, {innerW * progress_, innerH}};
}

void ProgressView::draw(float scale) {
    Widget::draw(scale);
    const Rect track{bounds().origin, bounds().size};
    const Rect fill = fillRect();
    const bool bar = style_ == kProgressViewStyleBar;
    const float radius = bar ? 2.0f : track.size.height * 0.5f;
    const Rect inner{fill.origin, {track.size.width - 2 * kEdge, fill.size.height}};
    // The track looks sunk in: darker at the top.
    uiFillRoundedRect(track, radius, Gradient::solid({0.27f, 0.32f, 0.42f, 0.95f}));
    uiFillRoundedRect(
        inner, radius - kEdge,
        bar ? Gradient::vertical({0.50f, 0.54f, 0.60f, 1.0f}, {0.62f, 0.66f, 0.72f, 1.0f})
            : Gradient::vertical({0.60f, 0.66f, 0.76f, 1.0f}, {0.80f, 0.84f, 0.90f, 1.0f}));
    if (fill.size.width > 0.0f && tint_) {
        const Color c = *tint_;
        uiFillRoundedRect(fill, radius - kEdge,
                          Gradient{}
                              .stop(0.0f, mixColor(c, {1.0f, 1.0f, 1.0f, c.a}, 0.35f))
                              .stop(0.5f, c)
                              .stop(0.5f, scaleColor(c, 0.85f))
                              .stop(1.0f, c));
    } else if (fill.size.width > 0.0f) {
        uiFillRoundedRect(fill, radius - kEdge,
                          Gradient{}
                              .stop(0.0f, {0.58f, 0.75f, 0.98f, 1.0f})
                              .stop(0.5f, {0.33f, 0.55f, 0.90f, 1.0f})
                              .stop(0.5f, {0.20f, 0.42f, 0.82f, 1.0f})
                              .stop(1.0f, {0.27f, 0.50f, 0.88f, 1.0f}));
    }
    if (!text_.empty())
        drawText(
            text_,
            {track.origin.x + track.size.width * 0.5f, track.origin.y + track.size.height * 0.5f},
            std::max(6.0f, track.size.height - 3.0f), FontWeight::Bold, {0.08f, 0.10f, 0.16f, 1.0f},
            scale, TextAnchor::Centre);
}
