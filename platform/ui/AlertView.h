// The alert stand-in: a modal box over the key window with a title, a message (line breaks kept),
// a cancel button (index 0) and other buttons (from index 1); the chosen index goes to the
// delegate. Escape chooses the cancel button. No SDL.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Button.h"
#include "platform/ui/Window.h"

class AlertView;

class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;
    // The alert has been dismissed with this button; the delegate may destroy the alert here.
    virtual void alertView(AlertView* /*alertView*/, int /*clickedButtonAtIndex*/) {}
};

class AlertView : public Widget {
public:
    // An empty cancel title gives no cancel button; the other buttons then count from 0.
    static std::unique_ptr<AlertView> initWithTitle(std::string title, std::string message,
                                                    AlertViewDelegate* delegate,
                                                    std::string cancelButtonTitle,
                                                    std::vector<std::string> otherButtonTitles);
    ~AlertView() override;

    // Covers the key window, on top of its views, until dismissed; whoever made the alert keeps
    // it. Without a key window nothing shows (one log line).
    void show();
    bool isVisible() const { return superview() != nullptr; }

    // Leaves the window, then tells the delegate the index (also when dismissed from code).
    void dismissWithClickedButtonIndex(int buttonIndex, bool animated);

    const std::string& title() const { return title_; }
    const std::string& message() const { return message_; }
    int cancelButtonIndex() const { return hasCancel_ ? 0 : -1; }
    int numberOfButtons() const { return static_cast<int>(buttons_.size()); }
    Button* buttonAtIndex(int index) const;
    // The message as laid out for the box (breaks at "\r\n" and between words).
    const std::vector<std::string>& messageLines() const { return messageLines_; }
    // The box, in the alert's bounds.
    const Rect& boxFrame() const { return box_; }

    void layoutSubviews() override;
    bool keyDown(const KeyEvent& key) override;
    void draw(float scale) override;

private:
    AlertView(std::string title, std::string message, AlertViewDelegate* delegate);

    std::string title_;
    std::string message_;
    AlertViewDelegate* delegate_;
    bool hasCancel_ = false;
    std::vector<std::unique_ptr<Button>> buttons_; // in index order
    std::vector<std::string> titleLines_;
    std::vector<std::string> messageLines_;
    Rect box_;
};
