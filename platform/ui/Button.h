// The button stand-in: a widget that shows a pressed state while a touch is held inside it and
// sends its actions on control events (touch-up inside and the like). The info button, and the
// looks the bars and the alert give their buttons. No SDL.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Window.h"

enum ButtonType : int {
    kButtonTypeCustom = 0,
    kButtonTypeRoundedRect = 1,
    kButtonTypeDetailDisclosure = 2,
    kButtonTypeInfoLight = 3,
    kButtonTypeInfoDark = 4,
};

// Bits of a control-event mask.
enum ControlEvent : unsigned {
    kControlEventTouchDown = 1u << 0,
    kControlEventTouchUpInside = 1u << 6, // 64
    kControlEventTouchUpOutside = 1u << 7,
    kControlEventTouchCancel = 1u << 8,
};

// How a button is drawn; the bars and the alert set theirs.
enum class ButtonLook { Custom, RoundedRect, Info, BarBordered, BarPlain, Alert, AlertCancel };

class Button : public Widget {
public:
    // The target is whatever the action captures; the button passes itself as the sender.
    using Action = std::function<void(Button* sender)>;

    // The info buttons are 22 x 22 points; the others start empty (0 x 0).
    static std::unique_ptr<Button> buttonWithType(int buttonType);

    int buttonType() const { return type_; }
    // Sends `action` for each event in the mask; actions run in the order added.
    void addTarget(Action action, unsigned controlEvents);

    // Pressed: a touch began in the button and is inside it now.
    bool isHighlighted() const { return highlighted_; }
    bool isTracking() const { return tracking_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    void setImage(std::shared_ptr<Image> image) { image_ = std::move(image); }
    const std::shared_ptr<Image>& image() const { return image_; }
    void setGlyph(Glyph glyph) {
        glyph_ = glyph;
        hasGlyph_ = true;
    }

    // A glow over the button that draws the eye to it, 0 (none) to 1; the caller animates it.
    void setPulse(float amount) { pulse_ = amount; }
    float pulse() const { return pulse_; }

    ButtonLook look() const { return look_; }
    void setLook(ButtonLook look) { look_ = look; }
    void setTintColor(Color tint) { tint_ = tint; }
    void setFontSize(float points) { fontSize_ = points; }

    // The width the content needs with the look's padding, in points.
    float naturalWidth(float scale) const;

    void touchesBegan(const Touch& touch) override;
    void touchesMoved(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;
    void draw(float scale) override;

private:
    explicit Button(int type);
    bool inside(const Touch& touch) const;
    // Runs the actions registered for the event. The last thing a handler does: an action may
    // destroy the button.
    void send(unsigned event);
    void drawContent(const Rect& area, Color color, float scale) const;

    int type_;
    ButtonLook look_ = ButtonLook::Custom;
    std::vector<std::pair<unsigned, Action>> actions_;
    bool highlighted_ = false;
    bool tracking_ = false;
    bool enabled_ = true;
    std::string title_;
    std::shared_ptr<Image> image_;
    Glyph glyph_ = Glyph::Info;
    bool hasGlyph_ = false;
    Color tint_ = Color::colorWithRed(0.43f, 0.52f, 0.64f, 1.0f);
    float fontSize_ = 13.0f;
    float pulse_ = 0.0f;
};
