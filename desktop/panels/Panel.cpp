// The panels' frame: layout of the card with its title and button row, closing by key, button
// or a tap beside the card, and the drawing of backdrop and card.
#include "desktop/panels/Panel.h"

#include <algorithm>
#include <cmath>

#include "platform/gl/Screen.h"

namespace {

constexpr float kMargin = 8.0f;
constexpr float kMaxCardWidth = 304.0f;
constexpr float kButtonGap = 10.0f;
constexpr float kRadius = 10.0f;

bool rectContains(const Rect& r, Point p) {
    return p.x >= r.origin.x && p.x < r.origin.x + r.size.width && p.y >= r.origin.y &&
           p.y < r.origin.y + r.size.height;
}

} // namespace

void drawPanelText(const std::string& text, Point origin, float size, FontWeight weight,
                   Color color, float scale, TextAnchor anchor) {
    drawTextShadow(text, {origin.x, origin.y - 1.0f}, size, weight,
                   {0.0f, 0.0f, 0.0f, 0.5f * color.a}, scale, anchor);
    drawText(text, origin, size, weight, color, scale, anchor);
}

Panel::Panel(const Rect& frame, std::string title) : Widget(frame), title_(std::move(title)) {
    setHidden(true);
}

Panel::~Panel() = default;

void Panel::show() {
    layoutSubviews();
    setHidden(false);
}

void Panel::hide() {
    setHidden(true);
    tapBegan_ = false;
}

void Panel::close() {
    if (!isShown()) return;
    hide();
    if (Handler handler = closeHandler_) handler(); // a copy: the handler may destroy the panel
}

Button* Panel::buttonAtIndex(int index) const {
    if (index < 0 || index >= numberOfButtons()) return nullptr;
    return buttons_[static_cast<std::size_t>(index)].get();
}

Button* Panel::addButton(std::string title, Handler action, bool isDefault) {
    auto button = Button::buttonWithType(kButtonTypeCustom);
    button->setLook(isDefault ? ButtonLook::Alert : ButtonLook::AlertCancel);
    button->setTitle(std::move(title));
    button->setFontSize(16.0f);
    const int index = numberOfButtons();
    button->addTarget([this, index](Button*) { press(index); }, kControlEventTouchUpInside);
    if (isDefault) defaultButton_ = index;
    addSubview(button.get());
    buttons_.push_back(std::move(button));
    actions_.push_back(std::move(action));
    layoutSubviews();
    return buttons_.back().get();
}

void Panel::press(int index) {
    if (!isShown() || index < 0 || index >= numberOfButtons()) return;
    // Copies: either handler may destroy the panel.
    const Handler action = actions_[static_cast<std::size_t>(index)];
    close();
    if (action) action();
}

bool Panel::keyDown(const KeyEvent& key) {
    if (!isShown() || key.control || key.alt) return false;
    if (key.code == KeyCode::Escape) {
        close();
        return true;
    }
    if (key.code == KeyCode::Return && defaultButton_ >= 0) {
        if (!key.repeat) press(defaultButton_);
        return true;
    }
    return false;
}

void Panel::touchesBegan(const Touch& touch) {
    tapBegan_ = !rectContains(card_, touch.locationInView(this));
}

void Panel::touchesEnded(const Touch& touch) {
    const bool outside = tapBegan_ && !rectContains(card_, touch.locationInView(this));
    tapBegan_ = false;
    if (outside && closesOnTapOutside_) close();
}

Rect Panel::placeCard(const Rect& b, float /*scale*/) const {
    const float w = std::min(kMaxCardWidth, b.size.width - 2 * kMargin);
    const float h = cardHeight_ > 0.0f ? std::min(cardHeight_, b.size.height - 2 * kMargin)
                                       : b.size.height - 2 * kMargin;
    return {{b.origin.x + std::round((b.size.width - w) * 0.5f),
             b.origin.y + std::round((b.size.height - h) * 0.5f)},
            {w, h}};
}

void Panel::layoutSubviews() {
    const float scale = windowContentScale();
    card_ = placeCard(bounds(), scale);
    const float w = card_.size.width;
    const float h = card_.size.height;
    const float titleBottom =
        card_.origin.y + kPadding + textLineHeight(kTitleSize, FontWeight::Bold, scale);
    const float buttonsTop = card_.origin.y + h - kPadding - kButtonHeight;
    const float inner = w - 2 * kPadding;
    const auto n = static_cast<float>(buttons_.size());
    if (n > 0.0f) {
        const float bw = (inner - kButtonGap * (n - 1.0f)) / n;
        for (std::size_t i = 0; i < buttons_.size(); ++i)
            buttons_[i]->setFrame(
                {{card_.origin.x + kPadding + static_cast<float>(i) * (bw + kButtonGap),
                  buttonsTop},
                 {bw, kButtonHeight}});
    }
    const float contentBottom = n > 0.0f ? buttonsTop - 10.0f : card_.origin.y + h - kPadding;
    content_ = {{card_.origin.x + kPadding, titleBottom + 8.0f},
                {inner, std::max(0.0f, contentBottom - titleBottom - 8.0f)}};
    layoutContent();
}

void Panel::draw(float scale) {
    const Rect& b = bounds();
    uiFillRect({b.origin, b.size}, Gradient::solid({0.0f, 0.0f, 0.0f, backdropAlpha_}));
    const Rect& c = card_;
    // Opaque, unlike the About alert: a panel holds lines to read, and nothing of the board
    // should show through them.
    uiDrawCard(c, {kRadius,
                   Gradient::vertical({0.16f, 0.24f, 0.47f, 1.0f}, {0.04f, 0.08f, 0.25f, 1.0f}),
                   0.55f, 36.0f, 0.22f});
    {
        const TextRoom room(
            {{c.origin.x + kPadding, c.origin.y + kPadding},
             {c.size.width - 2 * kPadding, content_.origin.y - c.origin.y - kPadding}});
        drawPanelText(title_, {c.origin.x + c.size.width * 0.5f, c.origin.y + kPadding}, kTitleSize,
                      FontWeight::Bold, Color::whiteColor(), scale, TextAnchor::TopCentre);
    }
    const TextRoom room(content_);
    drawContent(scale);
}
