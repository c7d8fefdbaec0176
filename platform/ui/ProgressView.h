// The progress bar stand-in: a rounded track filled from the left in proportion to the progress,
// 0.0 (empty) to 1.0 (full). No SDL.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/ui/Window.h"

enum ProgressViewStyle : int { kProgressViewStyleDefault = 0, kProgressViewStyleBar = 1 };

class ProgressView : public Widget {
public:
    static std::unique_ptr<ProgressView> initWithFrame(const Rect& frame);

    float progress() const { return progress_; }
    // Clamped to 0...1; anything that is not a number counts as 0.
    void setProgress(float progress);
    // The fill's colour (a flat fill with the usual gloss over it); none: the standard blue.
    const std::optional<Color>& progressTintColor() const { return tint_; }
    void setProgressTintColor(std::optional<Color> tint) { tint_ = tint; }
    int progressViewStyle() const { return style_; }
    void setProgressViewStyle(int style) { style_ = style; }

    // A short text drawn over the middle of the bar (the time left of a timed game); none: empty.
    const std::string& text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }

    // The filled part in the view's bounds: inside the track's edge, as wide as the progress says.
    Rect fillRect() const;

    void draw(float scale) override;

private:
    explicit ProgressView(const Rect& frame) : Widget(frame) {}
    float progress_ = 0.0f;
    int style_ = kProgressViewStyleDefault;
    std::optional<Color> tint_;
    std::string text_;
};
