// The alert: layout of the box around its text and buttons, button and key handling, and the
// translucent dark-blue box over a dimmed window.
#include "platform/ui/AlertView.h"

#include <algorithm>
#include <cmath>

#include "platform/base/Log.h"
#include "platform/gl/Screen.h"
#include "platform/ui/Text.h"

namespace {

constexpr float kBoxWidth = 284.0f;
constexpr float kPadding = 16.0f;
constexpr float kRadius = 10.0f;
constexpr float kTitleSize = 18.0f;
constexpr float kMessageSize = 16.0f;
constexpr float kButtonSize = 17.0f;
constexpr float kButtonHeight = 43.0f;
constexpr float kButtonGap = 10.0f;

float linesHeight(const std::vector<std::string>& lines, float size, FontWeight weight,
                  float scale) {
    return static_cast<float>(lines.size()) * textLineHeight(size, weight, scale);
}

void drawCentredLines(const std::vector<std::string>& lines, float centreX, float top, float size,
                      FontWeight weight, float scale) {
    const float lineH = textLineHeight(size, weight, scale);
    for (const std::string& line : lines) {
        drawTextShadow(line, {centreX, top - 1.0f}, size, weight, {0.0f, 0.0f, 0.0f, 0.55f}, scale,
                       TextAnchor::TopCentre);
        drawText(line, {centreX, top}, size, weight, Color::whiteColor(), scale,
                 TextAnchor::TopCentre);
        top += lineH;
    }
}

} // namespace

AlertView::AlertView(std::string title, std::string message, AlertViewDelegate* delegate)
    : Widget({{0.0f, 0.0f}, {0.0f, 0.0f}}), title_(std::move(title)), message_(std::move(message)),
      delegate_(delegate) {}

AlertView::~AlertView() = default;

std::unique_ptr<AlertView> AlertView::initWithTitle(std::string title, std::string message,
                                                    AlertViewDelegate* delegate,
                                                    std::string cancelButtonTitle,
                                                    std::vector<std::string> otherButtonTitles) {
    std::unique_ptr<AlertView> alert(new AlertView(std::move(title), std::move(message), delegate));
    std::vector<std::string> titles;
    alert->hasCancel_ = !cancelButtonTitle.empty();
    if (alert->hasCancel_) titles.push_back(std::move(cancelButtonTitle));
    for (std::string& other : otherButtonTitles)
        titles.push_back(std::move(other));
    AlertView* self = alert.get();
    for (std::size_t i = 0; i < titles.size(); ++i) {
        auto button = Button::buttonWithType(kButtonTypeCustom);
        const int index = static_cast<int>(i);
        button->setLook(index == self->cancelButtonIndex() ? ButtonLook::AlertCancel
                                                           : ButtonLook::Alert);
        button->setTitle(std::move(titles[i]));
        button->setFontSize(kButtonSize);
        button->addTarget(
            [self, index](Button*) { self->dismissWithClickedButtonIndex(index, true); },
            kControlEventTouchUpInside);
        self->addSubview(button.get());
        self->buttons_.push_back(std::move(button));
    }
    return alert;
}

Button* AlertView::buttonAtIndex(int index) const {
    if (index < 0 || index >= numberOfButtons()) return nullptr;
    return buttons_[static_cast<std::size_t>(index)].get();
}

void AlertView::show() {
    Window* window = Window::keyWindow();
    if (!window) {
        platformLog("cannot show the alert \"%s\": no key window", title_.c_str());
        return;
    }
    setFrame({{0.0f, 0.0f}, window->bounds().size});
    window->addSubview(this); // on top of everything shown so far
    layoutSubviews();
}

void AlertView::dismissWithClickedButtonIndex(int buttonIndex, bool /*animated*/) {
    if (!isVisible()) return; // dismissed already: the delegate hears once
    removeFromSuperview();
    if (delegate_) delegate_->alertView(this, buttonIndex); // may destroy the alert
}

bool AlertView::keyDown(const KeyEvent& key) {
    if (key.code != KeyCode::Escape || !isVisible() || !hasCancel_) return false;
    dismissWithClickedButtonIndex(cancelButtonIndex(), true);
    return true;
}

void AlertView::layoutSubviews() {
    const float scale = windowContentScale();
    const float boxW = std::min(kBoxWidth, bounds().size.width - 16.0f);
    const float textW = boxW - 2 * kPadding;
    titleLines_ = title_.empty() ? std::vector<std::string>{}
                                 : textWrap(title_, kTitleSize, FontWeight::Bold, textW, scale);
    messageLines_ = message_.empty()
                        ? std::vector<std::string>{}
                        : textWrap(message_, kMessageSize, FontWeight::Regular, textW, scale);
    const std::size_t n = buttons_.size();
    const bool row = n <= 2;
    const float buttonsH =
        row ? (n ? kButtonHeight : 0.0f)
            : static_cast<float>(n) * kButtonHeight + static_cast<float>(n - 1) * 8.0f;
    float h = kPadding + linesHeight(titleLines_, kTitleSize, FontWeight::Bold, scale);
    if (!messageLines_.empty())
        h += 6.0f + linesHeight(messageLines_, kMessageSize, FontWeight::Regular, scale);
    h += kPadding + buttonsH + 14.0f;
    box_ = {{std::round((bounds().size.width - boxW) * 0.5f),
             std::round((bounds().size.height - h) * 0.5f)},
            {boxW, h}};
    const float top = box_.origin.y + h - 14.0f - buttonsH;
    const float left = box_.origin.x + kPadding;
    if (row) {
        const float w = n == 2 ? (textW - kButtonGap) * 0.5f : textW;
        for (std::size_t i = 0; i < n; ++i)
            buttons_[i]->setFrame(
                {{left + static_cast<float>(i) * (w + kButtonGap), top}, {w, kButtonHeight}});
    } else { // stacked, the way back at the bottom
        float y = top;
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = hasCancel_ ? (k + 1) % n : k;
            buttons_[i]->setFrame({{left, y}, {textW, kButtonHeight}});
            y += kButtonHeight + 8.0f;
        }
    }
}

void AlertView::draw(float scale) {
    uiFillRect({bounds().origin, bounds().size}, Gradient::solid({0.0f, 0.0f, 0.0f, 0.4f}));
    const Rect& b = box_;
    // The gloss over the upper part fades out before the message.
    uiDrawCard(b, {kRadius,
                   Gradient::vertical({0.20f, 0.29f, 0.52f, 0.86f}, {0.05f, 0.10f, 0.30f, 0.9f}),
                   0.6f, 40.0f, 0.26f});
    const float centreX = b.origin.x + b.size.width * 0.5f;
    float y = b.origin.y + kPadding;
    drawCentredLines(titleLines_, centreX, y, kTitleSize, FontWeight::Bold, scale);
    y += linesHeight(titleLines_, kTitleSize, FontWeight::Bold, scale) + 6.0f;
    drawCentredLines(messageLines_, centreX, y, kMessageSize, FontWeight::Regular, scale);
}
