// The game's menu: a list of commands under the navigation bar's menu button, each with its key
// at the right, those that cannot act now greyed. A click on an item, or Return on the one the
// Up and Down keys move to, closes the menu and runs it; Escape or a click beside it closes it.
// Platform view layer only; no SDL.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/panels/Panel.h"

class GameMenu : public Panel {
public:
    struct Item {
        std::string title;
        std::string key; // as the player reads it; may be empty
        Handler action;
        std::function<bool()> available; // none: always
    };

    static std::unique_ptr<GameMenu> initWithFrame(const Rect& frame);

    void setItems(std::vector<Item> items);
    int numberOfItems() const { return static_cast<int>(items_.size()); }
    const Item& item(int index) const { return items_[static_cast<std::size_t>(index)]; }
    // Asks each item whether it can act now, and puts the focus on the first that can; before
    // the menu shows.
    void refresh();
    bool isEnabled(int index) const;
    // The item Return runs; -1 when none can act.
    int focusedItem() const { return focus_; }
    // An item's row, in the panel's bounds (empty for an index out of range).
    Rect rowFrame(int index) const;

    bool keyDown(const KeyEvent& key) override;
    void touchesBegan(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;

    static constexpr float kRowHeight = 34.0f;
    static constexpr float kTextSize = 15.0f;
    static constexpr float kSmallestTextSize = 11.0f;

protected:
    Rect placeCard(const Rect& bounds, float scale) const override;
    void layoutContent() override;
    void drawContent(float scale) override;

private:
    explicit GameMenu(const Rect& frame);
    int itemAt(Point point) const;
    // The width of the widest title with its key, in points at `size`.
    float widestLine(float size, float scale) const;
    // The text size at which every line fits `width`, down to kSmallestTextSize.
    float textSizeFor(float width, float scale) const;
    void moveFocus(int step);
    void run(int index);

    std::vector<Item> items_;
    std::vector<bool> enabled_;
    int focus_ = -1;
    int pressed_ = -1;
    float shownSize_ = kTextSize;
};
