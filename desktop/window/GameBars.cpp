#include "desktop/window/GameBars.h"

#include <string>
#include <utility>
#include <vector>

#include "desktop/panels/GameOverlays.h"

namespace {

constexpr float kArrowButtonWidth = 66.0f;
constexpr float kNavButtonGap = 10.0f;

} // namespace

std::unique_ptr<NavigationBar> makeGameNavigationBar() {
    auto bar = NavigationBar::initWithFrame({});
    bar->setBarStyle(kBarStyleDefault);
    bar->sizeToFit();
    bar->setTintColor(Color::colorWithRed(0.6f, 0.6f, 0.6f, 1.0f));
    return bar;
}

std::unique_ptr<Toolbar> makeGameToolbar() {
    auto bar = Toolbar::initWithFrame({});
    bar->setBarStyle(kBarStyleDefault);
    bar->sizeToFit();
    const float grey = 0.45098039f; // 115/255
    bar->setTintColor(Color::colorWithRed(grey, grey, grey, 1.0f));
    return bar;
}

void setTurnButtons(Toolbar& toolbar, std::function<void(int direction)> turn) {
    std::vector<std::unique_ptr<BarButtonItem>> items;
    auto space = BarButtonItem::initWithBarButtonSystemItem(kBarButtonSystemItemFixedSpace, {});
    space->setWidth(1.0f);
    items.push_back(std::move(space));
    const char* const images[] = {"left-1.png", "right-1.png", "up-1.png", "dn-1.png"};
    for (int direction = 0; direction < 4; ++direction) {
        auto item = BarButtonItem::initWithImage(
            Image::imageNamed(images[direction]), kBarButtonItemStyleBordered,
            [turn, direction](BarButtonItem*) { turn(direction); });
        item->setWidth(kArrowButtonWidth);
        items.push_back(std::move(item));
    }
    toolbar.setItems(std::move(items));
}

void pulseTurnButton(Toolbar& toolbar, int direction, float amount) {
    // The toolbar's buttons are its four arrows, in kDir* order; spaces have none.
    int arrow = 0;
    for (const auto& item : toolbar.items())
        if (Button* button = item->button(); button && arrow++ == direction)
            button->setPulse(amount);
}

NavigationButtonsShown pushGameNavigationItem(NavigationBar& bar, NavigationActions actions) {
    auto item = NavigationItem::initWithTitle("Spheron");
    std::vector<std::unique_ptr<BarButtonItem>> left;
    left.push_back(BarButtonItem::initWithBarButtonSystemItem(
        kBarButtonSystemItemRefresh, [newGame = actions.newGame](BarButtonItem*) { newGame(); }));
    left.push_back(BarButtonItem::initWithImage(
        nullptr, kBarButtonItemStyleBordered,
        [preferences = actions.preferences](BarButtonItem*) { preferences(); }));
    left.back()->button()->setGlyph(Glyph::Gear);
    item->setLeftBarButtonItems(std::move(left));
    // Pause, the info button and the menu at the right end, in one custom view.
    std::vector<std::unique_ptr<Button>> right;
    const std::pair<Glyph, std::function<void()>> buttons[] = {
        {Glyph::Pause, actions.pause}, {Glyph::Info, actions.about}, {Glyph::Menu, actions.menu}};
    float x = 0.0f;
    Size side;
    for (const auto& [glyph, action] : buttons) {
        std::unique_ptr<Button> button = Button::buttonWithType(kButtonTypeInfoLight);
        if (glyph != Glyph::Info) button->setGlyph(glyph);
        button->addTarget([act = action](Button*) { act(); }, kControlEventTouchUpInside);
        side = button->frame().size;
        button->setFrame({{x, 0.0f}, side});
        x += side.width + kNavButtonGap;
        right.push_back(std::move(button));
    }
    auto group = std::make_unique<NavigationButtons>(
        Rect{{0.0f, 0.0f}, {x - kNavButtonGap, side.height}}, std::move(right));
    const NavigationButtonsShown shown{group->button(0), group->button(2)};
    item->setRightBarButtonItem(BarButtonItem::initWithCustomView(std::move(group)));
    bar.pushNavigationItem(std::move(item), false);
    return shown;
}
