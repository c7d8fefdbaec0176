#include "desktop/window/GameBars.h"

#include <string>
#include <utility>
#include <vector>

#include "desktop/panels/GameOverlays.h"

namespace {

constexpr float kArrowButtonWidth = 66.0f;
constexpr float kHistoryButtonWidth = 44.0f;
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

void setToolbarButtons(Toolbar& toolbar, ToolbarActions actions, bool history) {
    std::vector<std::unique_ptr<BarButtonItem>> items;
    const auto space = [&items](int kind, float width) {
        auto item = BarButtonItem::initWithBarButtonSystemItem(kind, {});
        item->setWidth(width);
        items.push_back(std::move(item));
    };
    if (history) {
        for (int kind : {kBarButtonSystemItemUndo, kBarButtonSystemItemRedo}) {
            const std::function<void()>& act =
                kind == kBarButtonSystemItemUndo ? actions.undo : actions.redo;
            auto item =
                BarButtonItem::initWithBarButtonSystemItem(kind, [act](BarButtonItem*) {
                    if (act) act();
                });
            item->setStyle(kBarButtonItemStyleBordered);
            item->setWidth(kHistoryButtonWidth);
            items.push_back(std::move(item));
        }
    }
    // Flexible spaces on both sides centre the arrows; at the narrowest bar each is one point,
    // where the arrows have always stood.
    space(kBarButtonSystemItemFlexibleSpace, 0.0f);
    const char* const images[] = {"left-1.png", "right-1.png", "up-1.png", "dn-1.png"};
    for (int direction = 0; direction < 4; ++direction) {
        auto item = BarButtonItem::initWithImage(
            Image::imageNamed(images[direction]), kBarButtonItemStyleBordered,
            [turn = actions.turn, direction](BarButtonItem*) { turn(direction); });
        item->setWidth(kArrowButtonWidth);
        items.push_back(std::move(item));
    }
    space(kBarButtonSystemItemFlexibleSpace, 0.0f);
    // As wide as Undo and Redo together, so that the arrows stay in the middle.
    if (history) space(kBarButtonSystemItemFixedSpace, 2 * kHistoryButtonWidth + Toolbar::kGap);
    toolbar.setItems(std::move(items));
}

float toolbarWidthWithHistory() {
    // Margins, Undo and Redo and the space that balances them (as wide as both and the gap
    // between them), the arrows, and the gaps between the nine items.
    return 2 * Toolbar::kMargin + 4 * kHistoryButtonWidth + Toolbar::kGap +
           4 * kArrowButtonWidth + 8 * Toolbar::kGap;
}

void enableHistoryButtons(Toolbar& toolbar, bool canUndo, bool canRedo) {
    if (Button* undo = historyButton(toolbar, false)) undo->setEnabled(canUndo);
    if (Button* redo = historyButton(toolbar, true)) redo->setEnabled(canRedo);
}

Button* turnButton(const Toolbar& toolbar, int direction) {
    // The arrows are the bar's image buttons, in kDir* order; Undo and Redo are system items.
    int arrow = 0;
    for (const auto& item : toolbar.items())
        if (Button* button = item->button(); button && item->systemItem() < 0 && arrow++ == direction)
            return button;
    return nullptr;
}

Button* historyButton(const Toolbar& toolbar, bool redo) {
    const int kind = redo ? kBarButtonSystemItemRedo : kBarButtonSystemItemUndo;
    for (const auto& item : toolbar.items())
        if (item->systemItem() == kind) return item->button();
    return nullptr;
}

void pulseTurnButton(Toolbar& toolbar, int direction, float amount) {
    if (Button* button = turnButton(toolbar, direction)) button->setPulse(amount);
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
