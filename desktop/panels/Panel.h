// The frame the game's panels share: a dimmed backdrop over the area it is given (the game
// area), a card in the alert's dark blue with a title and a row of buttons, Escape to close and
// Return for the default button. Starts hidden, and hidden it takes no touch and no key.
// Platform view layer only; no SDL.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Button.h"
#include "platform/ui/Text.h"
#include "platform/ui/Window.h"

class Panel : public Widget {
public:
    using Handler = std::function<void()>;

    ~Panel() override;

    void show();
    // Hides the panel as code does: no handler runs.
    void hide();
    bool isShown() const { return !isHidden(); }
    // Runs when the player hides the panel (Escape, a button, and for panels that allow it a tap
    // beside the card), after it is hidden and before a button's own handler.
    void setCloseHandler(Handler handler) { closeHandler_ = std::move(handler); }

    const std::string& title() const { return title_; }
    const Rect& cardFrame() const { return card_; }
    int numberOfButtons() const { return static_cast<int>(buttons_.size()); }
    Button* buttonAtIndex(int index) const;
    // The button Return presses.
    int defaultButtonIndex() const { return defaultButton_; }

    // Escape closes; Return presses the default button. Other keys are left to the views below
    // and the application, except what a subclass takes.
    bool keyDown(const KeyEvent& key) override;
    void touchesBegan(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void layoutSubviews() override;
    void draw(float scale) override;

    static constexpr float kTitleSize = 18.0f;
    static constexpr float kButtonHeight = 40.0f;
    static constexpr float kPadding = 14.0f;

protected:
    explicit Panel(const Rect& frame, std::string title);

    // Adds a button to the row at the bottom of the card. Pressing it hides the panel, runs the
    // close handler, then `action`.
    Button* addButton(std::string title, Handler action, bool isDefault);
    // 0 (the default): the card fills the panel but for a margin; otherwise its height, centred.
    void setCardHeight(float height) { cardHeight_ = height; }
    void setClosesOnTapOutside(bool closes) { closesOnTapOutside_ = closes; }
    void setBackdropAlpha(float alpha) { backdropAlpha_ = alpha; }
    // Hides, then runs the close handler; what Escape does.
    void close();

    // Where the card goes in the panel's bounds: by default centred, at most 304 points wide and
    // as high as setCardHeight() says.
    virtual Rect placeCard(const Rect& bounds, float scale) const;
    // Between the title and the buttons, in the panel's bounds.
    Rect contentFrame() const { return content_; }
    // Places the subclass's subviews in the content frame (after every layout of the card).
    virtual void layoutContent() {}
    // Draws the subclass's own text over the card.
    virtual void drawContent(float /*scale*/) {}

private:
    void press(int index);

    std::string title_;
    Handler closeHandler_;
    std::vector<std::unique_ptr<Button>> buttons_;
    std::vector<Handler> actions_;
    int defaultButton_ = -1;
    float cardHeight_ = 0.0f;
    bool closesOnTapOutside_ = false;
    bool tapBegan_ = false;
    float backdropAlpha_ = 0.45f;
    Rect card_;
    Rect content_;
};

// Draws a line of text in the panels' style: white (or `color`) with a dark etch above.
void drawPanelText(const std::string& text, Point origin, float size, FontWeight weight,
                   Color color, float scale, TextAnchor anchor = TextAnchor::TopLeft);
