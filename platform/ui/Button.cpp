// Buttons: touch tracking with the pressed state, control-event actions, and the drawing of each
// look (bar buttons in their bar's tint, the light info button, the alert's buttons).
#include "platform/ui/Button.h"

#include <algorithm>

#include "platform/ui/Text.h"

namespace {

constexpr float kGlyphSide = 20.0f;
constexpr float kBarButtonPadding = 8.0f;
constexpr float kTitlePadding = 10.0f;

// A raised, glossy face: light above the middle, a hard step, darker below.
Gradient glossy(Color base) {
    return Gradient{}
        .stop(0.0f, scaleColor(base, 1.32f))
        .stop(0.5f, scaleColor(base, 1.08f))
        .stop(0.5f, scaleColor(base, 0.94f))
        .stop(1.0f, scaleColor(base, 1.02f));
}

Rect inset(const Rect& r, float d) {
    return {{r.origin.x + d, r.origin.y + d}, {r.size.width - 2 * d, r.size.height - 2 * d}};
}

} // namespace

Button::Button(int type) : Widget({{0.0f, 0.0f}, {0.0f, 0.0f}}), type_(type) {
    if (type == kButtonTypeInfoLight || type == kButtonTypeInfoDark) {
        setFrame({{0.0f, 0.0f}, {22.0f, 22.0f}});
        look_ = ButtonLook::Info;
        setGlyph(Glyph::Info);
    } else if (type == kButtonTypeRoundedRect) {
        look_ = ButtonLook::RoundedRect;
    }
}

std::unique_ptr<Button> Button::buttonWithType(int buttonType) {
    return std::unique_ptr<Button>(new Button(buttonType));
}

void Button::addTarget(Action action, unsigned controlEvents) {
    if (action && controlEvents) actions_.emplace_back(controlEvents, std::move(action));
}

void Button::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled) highlighted_ = tracking_ = false;
}

bool Button::inside(const Touch& touch) const {
    const Point p = touch.locationInView(this);
    const Rect& b = bounds();
    return p.x >= b.origin.x && p.x < b.origin.x + b.size.width && p.y >= b.origin.y &&
           p.y < b.origin.y + b.size.height;
}

void Button::send(unsigned event) {
    std::vector<Action> due; // copies: an action may destroy the button and its list
    for (const auto& entry : actions_)
        if (entry.first & event) due.push_back(entry.second);
    for (const Action& action : due)
        action(this);
}

void Button::touchesBegan(const Touch& /*touch*/) {
    if (!enabled_) return;
    tracking_ = true;
    highlighted_ = true;
    send(kControlEventTouchDown);
}

void Button::touchesMoved(const Touch& touch) {
    if (tracking_) highlighted_ = inside(touch);
}

void Button::touchesEnded(const Touch& touch) {
    if (!tracking_) return; // a release without a press of ours sends nothing
    tracking_ = false;
    highlighted_ = false;
    send(inside(touch) ? kControlEventTouchUpInside : kControlEventTouchUpOutside);
}

void Button::touchesCancelled(const Touch& /*touch*/) {
    if (!tracking_) return;
    tracking_ = false;
    highlighted_ = false;
    send(kControlEventTouchCancel);
}

float Button::naturalWidth(float scale) const {
    float content = 0.0f;
    if (image_)
        content = std::min(image_->pointSize().width, 26.0f);
    else if (hasGlyph_)
        content = kGlyphSide;
    else if (!title_.empty())
        return textSize(title_, fontSize_, FontWeight::Bold, scale).width + 2 * kTitlePadding;
    return content + 2 * kBarButtonPadding;
}

void Button::drawContent(const Rect& area, Color color, float scale) const {
    const float cx = area.origin.x + area.size.width * 0.5f;
    const float cy = area.origin.y + area.size.height * 0.5f;
    const float fade = enabled_ ? 1.0f : 0.45f;
    if (image_) {
        // Images shrink to fit the face, never grow: they are drawn for one pixel a point.
        const Size natural = image_->pointSize();
        const float fit = std::min({1.0f, (area.size.height - 4.0f) / natural.height,
                                    (area.size.width - 4.0f) / natural.width});
        const float w = natural.width * fit;
        const float h = natural.height * fit;
        image_->draw({{uiSnap(cx - w * 0.5f, scale), uiSnap(cy - h * 0.5f, scale)}, {w, h}}, fade);
    } else if (hasGlyph_) {
        const float side = look_ == ButtonLook::Info
                               ? std::min(area.size.width, area.size.height) - 2.0f
                               : kGlyphSide;
        const Rect r{{uiSnap(cx - side * 0.5f, scale), uiSnap(cy - side * 0.5f, scale)},
                     {side, side}};
        if (look_ != ButtonLook::Info) // an etched edge, as the bars' titles have
            uiDrawGlyph(glyph_, {{r.origin.x, r.origin.y - 1.0f}, r.size},
                        {0.0f, 0.0f, 0.0f, 0.45f * fade});
        uiDrawGlyph(glyph_, r, withAlpha(color, color.a * fade));
    } else if (!title_.empty()) {
        // A title longer than the face (another language's) is drawn smaller.
        const float size =
            fittingPointSize(title_, fontSize_, FontWeight::Bold, area.size.width - 6.0f, scale);
        drawTextShadow(title_, {cx, cy - 1.0f}, size, FontWeight::Bold,
                       {0.0f, 0.0f, 0.0f, 0.45f * fade}, scale, TextAnchor::Centre);
        drawText(title_, {cx, cy}, size, FontWeight::Bold, withAlpha(color, color.a * fade), scale,
                 TextAnchor::Centre);
    }
}

void Button::draw(float scale) {
    Widget::draw(scale);
    const Rect r{bounds().origin, bounds().size};
    const Color white = Color::whiteColor();
    if (pulse_ > 0.0f) // a halo around it, and the face lit below
        uiFillSoftRect(inset(r, -6.0f), 10.0f, {1.0f, 0.85f, 0.25f, pulse_});
    switch (look_) {
    case ButtonLook::Custom:
        drawContent(r, white, scale);
        break;
    case ButtonLook::Info:
        if (highlighted_) uiFillSoftRect(inset(r, -4.0f), 10.0f, {1.0f, 1.0f, 1.0f, 0.55f});
        drawContent(r, white, scale);
        break;
    case ButtonLook::BarPlain:
        if (highlighted_) uiFillSoftRect(inset(r, 2.0f), 12.0f, {1.0f, 1.0f, 1.0f, 0.5f});
        drawContent(r, white, scale);
        break;
    case ButtonLook::BarBordered: {
        const Color base = highlighted_ ? scaleColor(tint_, 0.68f) : tint_;
        // A light line under the button makes it look pressed into the bar.
        uiFillRoundedRect({{r.origin.x, r.origin.y + 1.0f}, r.size}, 5.0f,
                          Gradient::solid({1.0f, 1.0f, 1.0f, 0.22f}));
        uiFillRoundedRect(r, 5.0f, Gradient::solid(scaleColor(tint_, 0.40f)));
        uiFillRoundedRect(inset(r, 1.0f), 4.0f, glossy(base));
        drawContent(r, white, scale);
        break;
    }
    case ButtonLook::RoundedRect: {
        const Color edge{0.45f, 0.50f, 0.60f, 1.0f};
        uiFillRoundedRect(r, 8.0f, Gradient::solid(edge));
        if (highlighted_)
            uiFillRoundedRect(
                inset(r, 1.0f), 7.0f,
                Gradient::vertical({0.30f, 0.55f, 0.95f, 1.0f}, {0.10f, 0.35f, 0.80f, 1.0f}));
        else
            uiFillRoundedRect(inset(r, 1.0f), 7.0f, Gradient::solid(white));
        drawContent(r, highlighted_ ? white : Color{0.20f, 0.30f, 0.50f, 1.0f}, scale);
        break;
    }
    case ButtonLook::Alert:
    case ButtonLook::AlertCancel: {
        // Cancel is the darker of the two, as is usual for the way back.
        const float k =
            (look_ == ButtonLook::AlertCancel ? 0.55f : 1.0f) * (highlighted_ ? 0.45f : 1.0f);
        const Color top{1.0f, 1.0f, 1.0f, 0.46f * k};
        uiFillRoundedRect(r, 6.0f,
                          Gradient{}
                              .stop(0.0f, top)
                              .stop(0.5f, withAlpha(top, 0.24f * k))
                              .stop(0.5f, withAlpha(top, 0.10f * k))
                              .stop(1.0f, withAlpha(top, 0.18f * k)));
        if (highlighted_) uiFillRoundedRect(r, 6.0f, Gradient::solid({0.0f, 0.02f, 0.12f, 0.35f}));
        uiStrokeRoundedRect(r, 6.0f, 1.0f, {1.0f, 1.0f, 1.0f, 0.6f});
        drawContent(r, white, scale);
        break;
    }
    }
    if (pulse_ > 0.0f)
        uiFillRoundedRect(r, 5.0f, Gradient::solid({1.0f, 0.95f, 0.6f, 0.45f * pulse_}));
}
