// What the game shows over its view: the best score and the practice
// mark in the view's top corners, and the cover that hides the cube while the game is paused.
// Platform headers only; no SDL.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/ui/Button.h"
#include "platform/ui/Window.h"

// "Best N" at the top right, "Practice" at the top left, and below them, once a game has ended
// and nothing shows its end, a line that says so and how to start the next; touches go through
// to the game.
class ScoreInfoView : public Widget {
public:
    static std::unique_ptr<ScoreInfoView> initWithFrame(const Rect& frame);
    void setPractice(bool practice) { practice_ = practice; }
    // Asked at every draw: the game has ended and no panel says so.
    void setEndUnsaid(std::function<bool()> endUnsaid) { endUnsaid_ = std::move(endUnsaid); }
    // In the same place for a few seconds: a hint found no turns that bring a group into reach.
    void setNoPairNotice(bool shown) { noPairNotice_ = shown; }
    bool noPairNotice() const { return noPairNotice_; }
    void draw(float scale) override;   // reads the best score from the game's globals
    Rect drawingArea() const override; // the lines at the top, not the cube below

    static constexpr float kTextSize = 13.0f;
    static constexpr float kInset = 8.0f;

private:
    explicit ScoreInfoView(const Rect& frame);
    bool practice_ = false;
    std::function<bool()> endUnsaid_;
    bool noPairNotice_ = false;
};

// An opaque cover with "Paused": any touch or key on it resumes the game.
class PauseCover : public Widget {
public:
    static std::unique_ptr<PauseCover> initWithFrame(const Rect& frame,
                                                     std::function<void()> resume);
    void draw(float scale) override;
    void touchesBegan(const Touch& touch) override;
    bool keyDown(const KeyEvent& key) override;

private:
    PauseCover(const Rect& frame, std::function<void()> resume);
    std::function<void()> resume_;
};

// Buttons side by side as one bar item: it keeps them, laid out by their frames.
class NavigationButtons : public View {
public:
    NavigationButtons(const Rect& frame, std::vector<std::unique_ptr<Button>> buttons);
    Button* button(std::size_t index) const {
        return index < buttons_.size() ? buttons_[index].get() : nullptr;
    }

private:
    std::vector<std::unique_ptr<Button>> buttons_;
};
