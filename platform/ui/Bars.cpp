// Bars: items and their buttons, the toolbar's row, the navigation bar's title and side items,
// and the glossy tinted background both bars draw.
#include "platform/ui/Bars.h"

#include <algorithm>

#include "platform/gl/Screen.h"
#include "platform/ui/Text.h"

namespace {

constexpr float kToolbarMargin = Toolbar::kMargin;
constexpr float kToolbarGap = Toolbar::kGap;
constexpr float kNavMargin = 5.0f;
constexpr float kNavGap = 6.0f; // between neighbouring items on one side
constexpr float kBorderedHeight = 30.0f;
constexpr float kTitleGap = 8.0f; // between the title and the side items

const Color kDefaultBarColor{0.43f, 0.52f, 0.64f, 1.0f};
const Color kBlackBarColor{0.12f, 0.12f, 0.13f, 1.0f};

} // namespace

// ---- BarButtonItem ----

std::unique_ptr<BarButtonItem> BarButtonItem::initWithBarButtonSystemItem(int systemItem,
                                                                          Action action) {
    std::unique_ptr<BarButtonItem> item(new BarButtonItem);
    item->systemItem_ = systemItem;
    item->action_ = std::move(action);
    if (systemItem != kBarButtonSystemItemFixedSpace &&
        systemItem != kBarButtonSystemItemFlexibleSpace) {
        item->makeButton();
        if (systemItem == kBarButtonSystemItemRefresh) item->button_->setGlyph(Glyph::Refresh);
        if (systemItem == kBarButtonSystemItemUndo) item->button_->setGlyph(Glyph::Undo);
        if (systemItem == kBarButtonSystemItemRedo) item->button_->setGlyph(Glyph::Redo);
    }
    return item;
}

std::unique_ptr<BarButtonItem> BarButtonItem::initWithImage(std::shared_ptr<Image> image, int style,
                                                            Action action) {
    std::unique_ptr<BarButtonItem> item(new BarButtonItem);
    item->style_ = style;
    item->image_ = std::move(image);
    item->action_ = std::move(action);
    item->makeButton();
    item->button_->setImage(item->image_);
    return item;
}

std::unique_ptr<BarButtonItem> BarButtonItem::initWithCustomView(std::unique_ptr<View> customView) {
    std::unique_ptr<BarButtonItem> item(new BarButtonItem);
    item->customView_ = std::move(customView);
    return item;
}

void BarButtonItem::makeButton() {
    button_ = Button::buttonWithType(kButtonTypeCustom);
    button_->addTarget([this](Button*) { sendAction(); }, kControlEventTouchUpInside);
}

View* BarButtonItem::view() const {
    if (button_) return button_.get();
    return customView_.get();
}

void BarButtonItem::sendAction() {
    if (action_) action_(this);
}

// ---- Bar ----

void Bar::setBarStyle(int style) {
    barStyle_ = style;
    styleChanged();
}

void Bar::setTintColor(Color tint) {
    tint_ = tint;
    hasTint_ = true;
    styleChanged();
}

void Bar::sizeToFit() {
    setFrame({frame().origin, {frame().size.width, kBarHeight}});
}

Color Bar::barColor() const {
    if (hasTint_) return withAlpha(tint_, 1.0f);
    return barStyle_ == kBarStyleBlack ? kBlackBarColor : kDefaultBarColor;
}

float Bar::itemWidth(const BarButtonItem* item, bool bordered) const {
    if (item->width() > 0.0f) return item->width();
    if (const View* custom = item->customView()) return custom->frame().size.width;
    if (const Button* button = item->button()) {
        const float natural = button->naturalWidth(windowContentScale());
        return bordered ? std::max(natural, kBorderedHeight) : natural;
    }
    return 0.0f; // a space with no width set
}

float Bar::placeItem(BarButtonItem* item, float x, float width, bool bordered) {
    View* view = item->view();
    if (!view) return width;
    if (view->superview() != this) addSubview(view);
    const float barH = bounds().size.height;
    if (Button* button = item->button()) {
        button->setLook(bordered ? ButtonLook::BarBordered : ButtonLook::BarPlain);
        button->setTintColor(barColor());
        const float h = bordered ? std::min(kBorderedHeight, barH) : barH;
        button->setFrame({{x, (barH - h) * 0.5f}, {width, h}});
    } else {
        const Size size = view->frame().size;
        view->setFrame({{x + (width - size.width) * 0.5f, (barH - size.height) * 0.5f}, size});
    }
    return width;
}

void Bar::draw(float scale) {
    const Rect r{bounds().origin, bounds().size};
    const Color base = barColor();
    uiFillRect(r, Gradient{}
                      .stop(0.0f, scaleColor(base, 1.34f))
                      .stop(0.5f, scaleColor(base, 1.10f))
                      .stop(0.5f, scaleColor(base, 1.00f))
                      .stop(1.0f, scaleColor(base, 0.92f)));
    const float px = 1.0f / (scale > 0.0f ? scale : 1.0f);
    // A bright line along the top and a dark edge toward the content.
    uiFillRect({r.origin, {r.size.width, px}}, Gradient::solid(scaleColor(base, 1.6f)));
    const float edgeY = shadowAbove_ ? r.origin.y : r.origin.y + r.size.height - px;
    uiFillRect({{r.origin.x, edgeY}, {r.size.width, px}}, Gradient::solid(scaleColor(base, 0.5f)));
}

// ---- Toolbar ----

std::unique_ptr<Toolbar> Toolbar::initWithFrame(const Rect& frame) {
    return std::unique_ptr<Toolbar>(new Toolbar(frame));
}

void Toolbar::setItems(std::vector<std::unique_ptr<BarButtonItem>> items) {
    items_ = std::move(items); // the old items' views leave the bar with them
    layoutSubviews();
}

void Toolbar::layoutSubviews() {
    const float barW = bounds().size.width;
    float used = 2 * kToolbarMargin;
    int flexible = 0;
    for (const auto& item : items_) {
        const bool bordered = item->style() != kBarButtonItemStylePlain;
        if (item->isFlexibleSpace() && item->width() <= 0.0f)
            ++flexible;
        else
            used += itemWidth(item.get(), bordered);
    }
    if (!items_.empty()) used += kToolbarGap * static_cast<float>(items_.size() - 1);
    const float stretch =
        flexible ? std::max(0.0f, barW - used) / static_cast<float>(flexible) : 0.0f;
    float x = kToolbarMargin;
    for (const auto& item : items_) {
        const bool bordered = item->style() != kBarButtonItemStylePlain;
        const float w = item->isFlexibleSpace() && item->width() <= 0.0f
                            ? stretch
                            : itemWidth(item.get(), bordered);
        x += placeItem(item.get(), x, w, bordered) + kToolbarGap;
    }
}

// ---- Navigation item and bar ----

std::unique_ptr<NavigationItem> NavigationItem::initWithTitle(std::string title) {
    return std::unique_ptr<NavigationItem>(new NavigationItem(std::move(title)));
}

void NavigationItem::setLeftBarButtonItem(std::unique_ptr<BarButtonItem> item) {
    std::vector<std::unique_ptr<BarButtonItem>> items;
    if (item) items.push_back(std::move(item));
    setLeftBarButtonItems(std::move(items));
}

void NavigationItem::setLeftBarButtonItems(std::vector<std::unique_ptr<BarButtonItem>> items) {
    left_ = std::move(items);
    if (bar_) bar_->layoutSubviews();
}

void NavigationItem::setRightBarButtonItem(std::unique_ptr<BarButtonItem> item) {
    right_ = std::move(item);
    if (bar_) bar_->layoutSubviews();
}

std::unique_ptr<NavigationBar> NavigationBar::initWithFrame(const Rect& frame) {
    return std::unique_ptr<NavigationBar>(new NavigationBar(frame));
}

void NavigationBar::pushNavigationItem(std::unique_ptr<NavigationItem> item, bool /*animated*/) {
    if (!item) return;
    if (NavigationItem* below = topItem()) { // only the top item shows
        for (const auto& left : below->left_)
            if (left->view()) left->view()->removeFromSuperview();
        if (below->right_ && below->right_->view()) below->right_->view()->removeFromSuperview();
    }
    item->bar_ = this;
    items_.push_back(std::move(item));
    layoutSubviews();
}

void NavigationBar::layoutSubviews() {
    NavigationItem* item = topItem();
    if (!item) return;
    // Buttons on a navigation bar are always bordered; custom views keep their own look.
    float x = kNavMargin;
    for (const auto& left : item->left_)
        x += placeItem(left.get(), x, itemWidth(left.get(), true), true) + kNavGap;
    if (BarButtonItem* right = item->right_.get()) {
        const float w = itemWidth(right, true);
        placeItem(right, bounds().size.width - kNavMargin - w, w, true);
    }
}

Rect NavigationBar::titleFrame(float scale) const {
    const NavigationItem* item = topItem();
    if (!item || item->title().empty()) return {};
    const Size size = textSize(item->title(), kTitleSize, FontWeight::Bold, scale);
    if (size.width <= 0.0f) return {};
    return placeTitle(size);
}

Rect NavigationBar::placeTitle(Size size) const {
    const NavigationItem* item = topItem();
    // Centred on the bar, pushed aside by the side items when it would touch them.
    float lo = 0.0f;
    float hi = bounds().size.width;
    for (const auto& left : item->left_)
        if (const View* view = left->view())
            lo = std::max(lo, view->frame().origin.x + view->frame().size.width + kTitleGap);
    if (const BarButtonItem* right = item->right_.get(); right && right->view())
        hi = right->view()->frame().origin.x - kTitleGap;
    float x = (bounds().size.width - size.width) * 0.5f;
    x = std::max(lo, std::min(x, hi - size.width));
    return {{x, (bounds().size.height - size.height) * 0.5f}, size};
}

void NavigationBar::draw(float scale) {
    Bar::draw(scale);
    const NavigationItem* item = topItem();
    if (!item) return;
    // The texture's size, not a measurement: drawing allocates nothing once it exists.
    const UITexture* texture = textTexture(item->title(), kTitleSize, FontWeight::Bold, scale);
    if (!texture) return;
    const float k = scale > 0.0f ? scale : 1.0f;
    const Rect title = placeTitle(
        {static_cast<float>(texture->width) / k, static_cast<float>(texture->height) / k});
    // White bold, etched with a dark shadow above it.
    drawTextShadow(item->title(), {title.origin.x, title.origin.y - 1.0f}, kTitleSize,
                   FontWeight::Bold, {0.0f, 0.0f, 0.0f, 0.5f}, scale);
    drawText(item->title(), title.origin, kTitleSize, FontWeight::Bold, Color::whiteColor(), scale);
}
