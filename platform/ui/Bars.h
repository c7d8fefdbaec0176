// The bar stand-ins: bar button items (system items, image items, custom views), the toolbar
// with its row of items, and the navigation bar showing its top navigation item's title and
// left and right items. Drawn as glossy bars in their tint. No SDL.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Button.h"
#include "platform/ui/Window.h"

enum BarStyle : int { kBarStyleDefault = 0, kBarStyleBlack = 1 };

enum BarButtonSystemItem : int {
    kBarButtonSystemItemFlexibleSpace = 5,
    kBarButtonSystemItemFixedSpace = 6,
    kBarButtonSystemItemRefresh = 13,
    kBarButtonSystemItemUndo = 21,
    kBarButtonSystemItemRedo = 22,
};

enum BarButtonItemStyle : int {
    kBarButtonItemStylePlain = 0,
    kBarButtonItemStyleBordered = 1,
    kBarButtonItemStyleDone = 2,
};

// The standard height of both bars, in points.
constexpr float kBarHeight = 44.0f;

class BarButtonItem {
public:
    // The target is whatever the action captures; the item passes itself as the sender.
    using Action = std::function<void(BarButtonItem* sender)>;

    // Spaces (5 flexible, 6 fixed) show nothing; 13 is the refresh button, 21 undo and 22 redo.
    // Other numbers give an empty button.
    static std::unique_ptr<BarButtonItem> initWithBarButtonSystemItem(int systemItem,
                                                                      Action action);
    // A null image gives an empty button.
    static std::unique_ptr<BarButtonItem> initWithImage(std::shared_ptr<Image> image, int style,
                                                        Action action);
    // The item keeps the view, at the size it has.
    static std::unique_ptr<BarButtonItem> initWithCustomView(std::unique_ptr<View> customView);

    // 0: as wide as the content needs. A fixed space is exactly this wide.
    float width() const { return width_; }
    void setWidth(float width) { width_ = width > 0.0f ? width : 0.0f; }
    int style() const { return style_; }
    void setStyle(int style) { style_ = style; }
    int systemItem() const { return systemItem_; } // -1 for image and custom-view items
    const std::shared_ptr<Image>& image() const { return image_; }
    View* customView() const { return customView_.get(); }
    // The control a bar shows for the item: nullptr for spaces and custom views.
    Button* button() const { return button_.get(); }
    // What the bar lays out: the button, the custom view, or nullptr for spaces.
    View* view() const;
    bool isFlexibleSpace() const { return systemItem_ == kBarButtonSystemItemFlexibleSpace; }

    // Sends the action with this item as the sender (the item's button does on touch-up inside).
    void sendAction();

private:
    BarButtonItem() = default;
    void makeButton();

    int systemItem_ = -1;
    int style_ = kBarButtonItemStylePlain;
    float width_ = 0.0f;
    Action action_;
    std::shared_ptr<Image> image_;
    std::unique_ptr<Button> button_;
    std::unique_ptr<View> customView_;
};

// What both bars share: style, tint, standard height and the glossy background.
class Bar : public Widget {
public:
    int barStyle() const { return barStyle_; }
    void setBarStyle(int style);
    Color tintColor() const { return tint_; }
    bool hasTintColor() const { return hasTint_; }
    void setTintColor(Color tint);
    // The standard height (kBarHeight); origin and width stay.
    void sizeToFit();
    // The colour the background is made from: the tint, or the style's own.
    Color barColor() const;

    void draw(float scale) override;

protected:
    Bar(const Rect& frame, bool shadowAbove) : Widget(frame), shadowAbove_(shadowAbove) {}
    // Gives the item's button the bar's look and places the item's view at x, centred
    // vertically. Returns the width the item takes.
    float placeItem(BarButtonItem* item, float x, float width, bool bordered);
    float itemWidth(const BarButtonItem* item, bool bordered) const;
    virtual void styleChanged() { layoutSubviews(); }

private:
    int barStyle_ = kBarStyleDefault;
    Color tint_;
    bool hasTint_ = false;
    bool shadowAbove_; // a toolbar sits below its content; a navigation bar above it
};

class Toolbar : public Bar {
public:
    static std::unique_ptr<Toolbar> initWithFrame(const Rect& frame);

    // Left to right; the toolbar keeps them and shows their views.
    void setItems(std::vector<std::unique_ptr<BarButtonItem>> items);
    const std::vector<std::unique_ptr<BarButtonItem>>& items() const { return items_; }

    void layoutSubviews() override;

    // From the bar's ends to the first and last item, and between neighbouring items, in points.
    static constexpr float kMargin = 12.0f;
    static constexpr float kGap = 6.0f;

private:
    explicit Toolbar(const Rect& frame) : Bar(frame, true) {}
    std::vector<std::unique_ptr<BarButtonItem>> items_;
};

class NavigationBar;

class NavigationItem {
public:
    static std::unique_ptr<NavigationItem> initWithTitle(std::string title);

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    // The first of the left items.
    BarButtonItem* leftBarButtonItem() const { return left_.empty() ? nullptr : left_[0].get(); }
    // The left items, left to right.
    const std::vector<std::unique_ptr<BarButtonItem>>& leftBarButtonItems() const { return left_; }
    BarButtonItem* rightBarButtonItem() const { return right_.get(); }
    // Replaces the left items with this one.
    void setLeftBarButtonItem(std::unique_ptr<BarButtonItem> item);
    void setLeftBarButtonItems(std::vector<std::unique_ptr<BarButtonItem>> items);
    void setRightBarButtonItem(std::unique_ptr<BarButtonItem> item);

private:
    friend class NavigationBar;
    explicit NavigationItem(std::string title) : title_(std::move(title)) {}

    std::string title_;
    std::vector<std::unique_ptr<BarButtonItem>> left_;
    std::unique_ptr<BarButtonItem> right_;
    NavigationBar* bar_ = nullptr; // the bar it was pushed onto
};

class NavigationBar : public Bar {
public:
    static std::unique_ptr<NavigationBar> initWithFrame(const Rect& frame);

    // The bar keeps the item and shows it on top; there is no animation to give.
    void pushNavigationItem(std::unique_ptr<NavigationItem> item, bool animated);
    NavigationItem* topItem() const { return items_.empty() ? nullptr : items_.back().get(); }

    // Where the title is drawn, in the bar's bounds (empty without a title or a font).
    Rect titleFrame(float scale) const;

    void layoutSubviews() override;
    void draw(float scale) override;

    static constexpr float kTitleSize = 20.0f;

private:
    explicit NavigationBar(const Rect& frame) : Bar(frame, false) {}
    Rect placeTitle(Size size) const;
    std::vector<std::unique_ptr<NavigationItem>> items_;
};
