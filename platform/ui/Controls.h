// Small controls of the view layer: an on/off switch, a picker that steps through a list of
// titles, a one-line text field, and a list of text lines that scrolls by whole lines. A control
// sends its action when the player changes it, never when code sets it. SDL only in the .cpp,
// for the text field's text input; nothing game-specific.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/Text.h"
#include "platform/ui/Window.h"

// What the controls share: a focus ring for keyboard use, drawn by the control itself.
class Control : public Widget {
public:
    bool isFocused() const { return focused_; }
    void setFocused(bool focused) { focused_ = focused; }

protected:
    explicit Control(const Rect& frame) : Widget(frame) {}
    // True when a touch that began here ends inside the control.
    bool tracksTapEnding(const Touch& touch);
    void drawFocusRing(float radius) const;
    bool tracking_ = false;

private:
    bool focused_ = false;
};

// A rounded track with a knob: on is a blue track with the knob at the right, off a grey one
// with the knob at the left. A tap flips it.
class Switch : public Control {
public:
    using Action = std::function<void(Switch* sender)>;
    static constexpr float kWidth = 58.0f;
    static constexpr float kHeight = 28.0f;

    static std::unique_ptr<Switch> initWithFrame(const Rect& frame);

    bool isOn() const { return on_; }
    void setOn(bool on) { on_ = on; }
    void setAction(Action action) { action_ = std::move(action); }
    // Flips it as a tap does, sending the action. The last thing a caller does: the action may
    // destroy the switch.
    void toggle();

    void touchesBegan(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;
    void draw(float scale) override;

private:
    explicit Switch(const Rect& frame) : Control(frame) {}
    bool on_ = false;
    Action action_;
};

// "◀  title  ▶": a tap on the left half steps back, on the right half forward; it stops at both
// ends, where its arrow fades.
class ValuePicker : public Control {
public:
    using Action = std::function<void(ValuePicker* sender)>;
    static constexpr float kHeight = 34.0f;

    static std::unique_ptr<ValuePicker> initWithFrame(const Rect& frame);

    void setTitles(std::vector<std::string> titles);
    const std::vector<std::string>& titles() const { return titles_; }
    std::size_t selectedIndex() const { return selected_; }
    // Clamped to the titles; no action.
    void setSelectedIndex(std::size_t index);
    void setAction(Action action) { action_ = std::move(action); }
    // Moves by `delta` as the player does, sending the action when the choice changed. The last
    // thing a caller does: the action may destroy the picker.
    void step(int delta);

    void touchesBegan(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;
    void draw(float scale) override;

private:
    explicit ValuePicker(const Rect& frame) : Control(frame) {}
    std::vector<std::string> titles_;
    std::size_t selected_ = 0;
    Action action_;
    float touchX_ = 0.0f;
};

// A one-line text box. A tap, or setEditing(true), starts editing: the system's text input runs
// (so that any script, an input method's composed text included, can be typed), typed text is
// added at the end up to a number of characters, Backspace removes the last whole character and
// Return ends editing. The action is sent for every change the player makes.
class TextField : public Control {
public:
    using Action = std::function<void(TextField* sender)>;
    static constexpr float kHeight = 28.0f;

    static std::unique_ptr<TextField> initWithFrame(const Rect& frame);
    ~TextField() override; // stops the text input it started

    const std::string& text() const { return text_; }
    // No action; cut to the limit.
    void setText(std::string text);
    // Grey in the empty field.
    void setPlaceholder(std::string placeholder) { placeholder_ = std::move(placeholder); }
    void setMaxCharacters(std::size_t most) { maxChars_ = most; }
    void setAction(Action action) { action_ = std::move(action); }

    bool isEditing() const { return editing_; }
    void setEditing(bool editing);
    // Adds typed text: control characters and malformed bytes are dropped, characters beyond the
    // limit refused. True when the field edits (it took the text, or refused it).
    bool insertText(std::string_view text);
    void deleteBackward();

    bool keyDown(const KeyEvent& key) override;
    bool textInput(const std::string& text) override { return insertText(text); }
    void touchesBegan(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;
    void draw(float scale) override;

private:
    explicit TextField(const Rect& frame) : Control(frame) {}
    std::string text_;
    std::string placeholder_;
    std::size_t maxChars_ = 64;
    bool editing_ = false;
    Action action_;
};

// ---- Lines of text ----

enum class CellAlignment { Left, Right, Centre };

// Text placed at `x` points from the list's left edge, aligned there as asked; bold, or in the
// line's weight.
struct ListCell {
    std::string text;
    float x = 0.0f;
    CellAlignment alignment = CellAlignment::Left;
    bool bold = false;
};

struct ListLine {
    std::vector<ListCell> cells;
    float fontSize = 13.0f;
    FontWeight weight = FontWeight::Regular;
    Color color = Color::whiteColor();
    Color band = Color::clearColor(); // a band behind the whole line, e.g. to mark it
    float height = 0.0f;              // 0: the font's line height
};

// Shows as many whole lines as fit, from the first visible one, with a scroll bar at the right
// when there are more. Up and Down scroll a line, Space a page (Shift+Space back); a drag
// scrolls with the finger. It takes those keys whenever it shows, even with nothing to scroll.
class LineList : public Widget {
public:
    static std::unique_ptr<LineList> initWithFrame(const Rect& frame);

    // Replaces the lines and scrolls back to the top.
    void setLines(std::vector<ListLine> lines);
    const std::vector<ListLine>& lines() const { return lines_; }

    std::size_t firstVisibleLine() const { return first_; }
    // Lines shown from the first visible one.
    std::size_t visibleLineCount() const;
    bool canScroll() const;
    // Clamped so that the last page is as full as it can be.
    void scrollToLine(std::size_t first);
    void scrollBy(int lines);
    // Scrolls as little as it takes to show the line.
    void scrollLineToVisible(std::size_t line);
    // The line's rectangle in the list's bounds, or none when it is not shown.
    std::optional<Rect> frameOfLine(std::size_t line) const;

    bool keyDown(const KeyEvent& key) override;
    void touchesBegan(const Touch& touch) override;
    void touchesMoved(const Touch& touch) override;
    void draw(float scale) override;

private:
    explicit LineList(const Rect& frame) : Widget(frame) {}
    float heightOfLine(std::size_t line, float scale) const;
    // The most lines that fit from `first` on.
    std::size_t linesFitting(std::size_t first, float scale) const;
    std::size_t lastFirstLine(float scale) const;

    std::vector<ListLine> lines_;
    std::size_t first_ = 0;
    float dragStartY_ = 0.0f;
    std::size_t dragStartLine_ = 0;
};
