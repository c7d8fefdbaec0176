// The game's menu: its card at the top right of the game area, under the menu button, as wide as
// its longest line; the rows, their focus and their keys.
#include "desktop/panels/GameMenu.h"

#include <algorithm>
#include <cmath>

#include "platform/gl/Screen.h"
#include "platform/ui/UIDrawing.h"

namespace {

constexpr float kInset = 6.0f;    // from the game area's edges, and above the first row
constexpr float kSidePad = 16.0f; // text from the card's sides
constexpr float kKeyGap = 32.0f;  // at least, between an item's title and its key
constexpr float kMinWidth = 180.0f;
const Color kTextColor{0.94f, 0.96f, 1.0f, 1.0f};
const Color kKeyColor{0.70f, 0.76f, 0.90f, 1.0f};
const Color kGreyed{0.55f, 0.60f, 0.70f, 0.55f};

} // namespace

std::unique_ptr<GameMenu> GameMenu::initWithFrame(const Rect& frame) {
    return std::unique_ptr<GameMenu>(new GameMenu(frame));
}

GameMenu::GameMenu(const Rect& frame) : Panel(frame, std::string()) {
    setClosesOnTapOutside(true);
    setBackdropAlpha(0.2f); // a menu over the game, not a page in front of it
}

void GameMenu::setItems(std::vector<Item> items) {
    items_ = std::move(items);
    refresh();
    layoutSubviews();
}

void GameMenu::refresh() {
    enabled_.assign(items_.size(), true);
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].available) enabled_[i] = items_[i].available();
    focus_ = -1;
    moveFocus(1);
    pressed_ = -1;
}

bool GameMenu::isEnabled(int index) const {
    return index >= 0 && index < numberOfItems() && enabled_[static_cast<std::size_t>(index)];
}

float GameMenu::widestLine(float size, float scale) const {
    float widest = 0.0f;
    for (const Item& item : items_) {
        float w = textSize(item.title, size, FontWeight::Regular, scale).width;
        if (!item.key.empty())
            w += kKeyGap + textSize(item.key, size, FontWeight::Regular, scale).width;
        widest = std::max(widest, w);
    }
    return std::ceil(widest);
}

float GameMenu::textSizeFor(float width, float scale) const {
    // Smaller type before a title runs into its key in a narrow window or a longer language.
    float size = kTextSize;
    while (size > kSmallestTextSize && widestLine(size, scale) + 2 * kSidePad > width)
        size -= 1.0f;
    return size;
}

Rect GameMenu::placeCard(const Rect& b, float scale) const {
    const float most = b.size.width - 2 * kInset;
    const float w = std::min(
        std::max(kMinWidth, widestLine(textSizeFor(most, scale), scale) + 2 * kSidePad), most);
    // Rows give way before the menu leaves a short window.
    const float h = std::min(2 * kInset + static_cast<float>(items_.size()) * kRowHeight,
                             b.size.height - 2 * kInset);
    return {{b.origin.x + b.size.width - kInset - w, b.origin.y + kInset}, {w, h}};
}

void GameMenu::layoutContent() {
    shownSize_ = textSizeFor(cardFrame().size.width, windowContentScale());
}

Rect GameMenu::rowFrame(int index) const {
    if (index < 0 || index >= numberOfItems()) return {};
    const Rect& c = cardFrame();
    const float row = (c.size.height - 2 * kInset) / static_cast<float>(items_.size());
    return {{c.origin.x, c.origin.y + kInset + static_cast<float>(index) * row},
            {c.size.width, row}};
}

int GameMenu::itemAt(Point p) const {
    for (int i = 0; i < numberOfItems(); ++i) {
        const Rect r = rowFrame(i);
        if (p.x >= r.origin.x && p.x < r.origin.x + r.size.width && p.y >= r.origin.y &&
            p.y < r.origin.y + r.size.height)
            return i;
    }
    return -1;
}

void GameMenu::moveFocus(int step) {
    const int n = numberOfItems();
    int at = focus_;
    for (int tried = 0; tried < n; ++tried) {
        at = at < 0 ? (step > 0 ? 0 : n - 1) : (at + step + n) % n;
        if (isEnabled(at)) {
            focus_ = at;
            return;
        }
    }
    focus_ = -1; // nothing can act
}

void GameMenu::run(int index) {
    if (!isShown() || !isEnabled(index)) return;
    const Handler action = items_[static_cast<std::size_t>(index)].action; // close may destroy us
    close();
    if (action) action();
}

bool GameMenu::keyDown(const KeyEvent& key) {
    if (!isShown()) return false;
    if (!key.control && !key.alt) {
        switch (key.code) {
        case KeyCode::Up:
            moveFocus(-1);
            return true;
        case KeyCode::Down:
            moveFocus(1);
            return true;
        case KeyCode::Return:
        case KeyCode::Space:
            if (!key.repeat) run(focus_);
            return true;
        default:
            break;
        }
    }
    return Panel::keyDown(key);
}

void GameMenu::touchesBegan(const Touch& touch) {
    pressed_ = itemAt(touch.locationInView(this));
    Panel::touchesBegan(touch);
}

void GameMenu::touchesEnded(const Touch& touch) {
    const int at = itemAt(touch.locationInView(this));
    const bool onPressed = at >= 0 && at == pressed_;
    pressed_ = -1;
    if (onPressed)
        run(at); // a greyed item takes the click and does nothing
    else
        Panel::touchesEnded(touch);
}

void GameMenu::drawContent(float scale) {
    for (int i = 0; i < numberOfItems(); ++i) {
        const Rect r = rowFrame(i);
        const bool enabled = isEnabled(i);
        if (enabled && (i == focus_ || i == pressed_)) {
            const float alpha = i == pressed_ ? 0.30f : 0.16f;
            uiFillRoundedRect({{r.origin.x + 4.0f, r.origin.y + 1.0f},
                               {r.size.width - 8.0f, r.size.height - 2.0f}},
                              6.0f, Gradient::solid({1.0f, 1.0f, 1.0f, alpha}));
        }
        const Item& item = items_[static_cast<std::size_t>(i)];
        const float size = shownSize_;
        const float top =
            r.origin.y +
            std::round((r.size.height - textLineHeight(size, FontWeight::Regular, scale)) * 0.5f);
        drawPanelText(item.title, {r.origin.x + kSidePad, top}, size, FontWeight::Regular,
                      enabled ? kTextColor : kGreyed, scale);
        if (item.key.empty()) continue;
        const float keyWidth = textSize(item.key, size, FontWeight::Regular, scale).width;
        drawPanelText(item.key, {r.origin.x + r.size.width - kSidePad - keyWidth, top}, size,
                      FontWeight::Regular, enabled ? kKeyColor : kGreyed, scale);
    }
}
