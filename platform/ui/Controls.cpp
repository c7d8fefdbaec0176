// The switch, the value picker, the text field and the line list: touch, key and text handling,
// and their drawing in the view layer's shapes and text.
#include "platform/ui/Controls.h"

#include <algorithm>
#include <cmath>

#include <SDL.h>

#include "platform/base/Utf8.h"
#include "platform/gl/Screen.h"

namespace {

constexpr float kScrollBarRoom = 6.0f; // the bar's 3 points at the right edge, and a gap

bool insideBounds(const View* view, Point p) {
    const Rect& b = view->bounds();
    return p.x >= b.origin.x && p.x < b.origin.x + b.size.width && p.y >= b.origin.y &&
           p.y < b.origin.y + b.size.height;
}

Rect inset(const Rect& r, float dx, float dy) {
    return {{r.origin.x + dx, r.origin.y + dy}, {r.size.width - 2 * dx, r.size.height - 2 * dy}};
}

} // namespace

// ---- Control ----

bool Control::tracksTapEnding(const Touch& touch) {
    const bool wasTracking = tracking_;
    tracking_ = false;
    return wasTracking && insideBounds(this, touch.locationInView(this));
}

void Control::drawFocusRing(float radius) const {
    if (!focused_) return;
    uiStrokeRoundedRect(inset({bounds().origin, bounds().size}, -3.0f, -3.0f), radius + 3.0f, 2.0f,
                        {0.55f, 0.82f, 1.0f, 0.95f});
}

// ---- Switch ----

std::unique_ptr<Switch> Switch::initWithFrame(const Rect& frame) {
    return std::unique_ptr<Switch>(new Switch(frame));
}

void Switch::toggle() {
    on_ = !on_;
    if (action_) action_(this);
}

void Switch::touchesBegan(const Touch& /*touch*/) {
    tracking_ = true;
}

void Switch::touchesEnded(const Touch& touch) {
    if (tracksTapEnding(touch)) toggle();
}

void Switch::touchesCancelled(const Touch& /*touch*/) {
    tracking_ = false;
}

void Switch::draw(float scale) {
    Widget::draw(scale);
    const Rect track{bounds().origin, bounds().size};
    const float radius = track.size.height * 0.5f;
    const Gradient fill =
        on_ ? Gradient::vertical({0.16f, 0.42f, 0.90f, 1.0f}, {0.28f, 0.58f, 1.0f, 1.0f})
            : Gradient::vertical({0.42f, 0.44f, 0.49f, 1.0f}, {0.58f, 0.60f, 0.65f, 1.0f});
    uiFillRoundedRect(track, radius, fill);
    uiStrokeRoundedRect(track, radius, 1.0f, {0.0f, 0.0f, 0.0f, 0.35f});
    const float knob = track.size.height - 4.0f;
    const float x = on_ ? track.origin.x + track.size.width - knob - 2.0f : track.origin.x + 2.0f;
    const Rect k{{uiSnap(x, scale), track.origin.y + 2.0f}, {knob, knob}};
    uiFillSoftRect(inset(k, -2.0f, -1.0f), 4.0f, {0.0f, 0.0f, 0.0f, 0.35f});
    uiFillRoundedRect(k, knob * 0.5f,
                      Gradient::vertical(Color::whiteColor(), {0.86f, 0.87f, 0.90f, 1.0f}));
    drawFocusRing(radius);
}

// ---- ValuePicker ----

std::unique_ptr<ValuePicker> ValuePicker::initWithFrame(const Rect& frame) {
    return std::unique_ptr<ValuePicker>(new ValuePicker(frame));
}

void ValuePicker::setTitles(std::vector<std::string> titles) {
    titles_ = std::move(titles);
    setSelectedIndex(selected_);
}

void ValuePicker::setSelectedIndex(std::size_t index) {
    selected_ = titles_.empty() ? 0 : std::min(index, titles_.size() - 1);
}

void ValuePicker::step(int delta) {
    if (titles_.empty()) return;
    const auto last = static_cast<long>(titles_.size()) - 1;
    const long next = std::clamp(static_cast<long>(selected_) + delta, 0L, last);
    if (static_cast<std::size_t>(next) == selected_) return;
    selected_ = static_cast<std::size_t>(next);
    if (action_) action_(this);
}

void ValuePicker::touchesBegan(const Touch& touch) {
    tracking_ = true;
    touchX_ = touch.locationInView(this).x;
}

void ValuePicker::touchesEnded(const Touch& touch) {
    if (tracksTapEnding(touch))
        step(touchX_ < bounds().origin.x + bounds().size.width * 0.5f ? -1 : 1);
}

void ValuePicker::touchesCancelled(const Touch& /*touch*/) {
    tracking_ = false;
}

void ValuePicker::draw(float scale) {
    Widget::draw(scale);
    const Rect box{bounds().origin, bounds().size};
    uiFillRoundedRect(box, 7.0f,
                      Gradient::vertical({1.0f, 1.0f, 1.0f, 0.20f}, {1.0f, 1.0f, 1.0f, 0.08f}));
    uiStrokeRoundedRect(box, 7.0f, 1.0f, {1.0f, 1.0f, 1.0f, 0.55f});
    const float cy = box.origin.y + box.size.height * 0.5f;
    const bool atStart = selected_ == 0;
    const bool atEnd = titles_.empty() || selected_ + 1 >= titles_.size();
    const Color white = Color::whiteColor();
    drawText("\u25C0", {box.origin.x + 16.0f, cy}, 13.0f, FontWeight::Regular,
             withAlpha(white, atStart ? 0.25f : 1.0f), scale, TextAnchor::Centre);
    drawText("\u25B6", {box.origin.x + box.size.width - 16.0f, cy}, 13.0f, FontWeight::Regular,
             withAlpha(white, atEnd ? 0.25f : 1.0f), scale, TextAnchor::Centre);
    if (!titles_.empty())
        drawText(titles_[selected_], {box.origin.x + box.size.width * 0.5f, cy}, 15.0f,
                 FontWeight::Bold, white, scale, TextAnchor::Centre);
    drawFocusRing(7.0f);
}

// ---- TextField ----

std::unique_ptr<TextField> TextField::initWithFrame(const Rect& frame) {
    return std::unique_ptr<TextField>(new TextField(frame));
}

TextField::~TextField() {
    if (editing_) SDL_StopTextInput();
}

void TextField::setText(std::string text) {
    text_ = std::move(text);
    while (utf8CharCount(text_) > maxChars_)
        utf8DropLast(text_);
}

void TextField::setEditing(bool editing) {
    if (editing == editing_) return;
    editing_ = editing;
    if (editing)
        SDL_StartTextInput();
    else
        SDL_StopTextInput();
}

bool TextField::insertText(std::string_view text) {
    if (!editing_) return false;
    const std::string before = text_;
    std::size_t count = utf8CharCount(text_);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = utf8CharLength(text, at);
        if (n == 0) { // a malformed byte
            ++at;
            continue;
        }
        const char32_t c = utf8CodePoint(text, at, n);
        const bool control = c < 0x20 || (c >= 0x7f && c < 0xa0);
        if (!control && count < maxChars_) {
            text_.append(text.substr(at, n));
            ++count;
        }
        at += n;
    }
    if (text_ != before && action_) action_(this);
    return true;
}

void TextField::deleteBackward() {
    if (text_.empty()) return;
    utf8DropLast(text_);
    if (action_) action_(this);
}

bool TextField::keyDown(const KeyEvent& key) {
    if (!editing_ || key.control || key.alt) return false;
    switch (key.code) {
    case KeyCode::Backspace:
        deleteBackward();
        return true;
    case KeyCode::Return:
        if (!key.repeat) setEditing(false);
        return true;
    case KeyCode::Escape:
    case KeyCode::Tab:
    case KeyCode::Up:
    case KeyCode::Down:
        return false; // the view around it moves on
    default:
        return true; // what the key types comes as text
    }
}

void TextField::touchesBegan(const Touch& /*touch*/) {
    tracking_ = true;
}

void TextField::touchesEnded(const Touch& touch) {
    if (tracksTapEnding(touch)) setEditing(true);
}

void TextField::touchesCancelled(const Touch& /*touch*/) {
    tracking_ = false;
}

void TextField::draw(float scale) {
    Widget::draw(scale);
    const Rect box{bounds().origin, bounds().size};
    uiFillRoundedRect(box, 5.0f,
                      Gradient::vertical({0.0f, 0.0f, 0.0f, 0.30f}, {0.0f, 0.0f, 0.0f, 0.18f}));
    uiStrokeRoundedRect(box, 5.0f, 1.0f, {1.0f, 1.0f, 1.0f, editing_ ? 0.9f : 0.45f});
    constexpr float kSize = 14.0f;
    constexpr float kPad = 7.0f;
    const float room = box.size.width - 2.0f * kPad - 3.0f;
    const float cy = box.origin.y + box.size.height * 0.5f;
    const float lineH = textLineHeight(kSize, FontWeight::Regular, scale);
    const float top = cy - lineH * 0.5f;
    if (text_.empty() && !editing_) {
        drawText(placeholder_, {box.origin.x + kPad, top}, kSize, FontWeight::Regular,
                 {1.0f, 1.0f, 1.0f, 0.45f}, scale);
    } else {
        // The end shows, where typing goes on.
        std::string_view shown = text_;
        while (!shown.empty() && textSize(shown, kSize, FontWeight::Regular, scale).width > room) {
            const std::size_t n = utf8CharLength(shown, 0);
            shown.remove_prefix(n ? n : 1);
        }
        drawText(shown, {box.origin.x + kPad, top}, kSize, FontWeight::Regular,
                 Color::whiteColor(), scale);
        if (editing_) {
            const float x = box.origin.x + kPad +
                            textSize(shown, kSize, FontWeight::Regular, scale).width + 1.0f;
            uiFillRect({{x, top + 2.0f}, {1.5f, lineH - 4.0f}},
                       Gradient::solid(Color::whiteColor()));
        }
    }
    drawFocusRing(5.0f);
}

// ---- LineList ----

std::unique_ptr<LineList> LineList::initWithFrame(const Rect& frame) {
    return std::unique_ptr<LineList>(new LineList(frame));
}

void LineList::setLines(std::vector<ListLine> lines) {
    lines_ = std::move(lines);
    first_ = 0;
}

float LineList::heightOfLine(std::size_t line, float scale) const {
    const ListLine& l = lines_[line];
    return l.height > 0.0f ? l.height : textLineHeight(l.fontSize, l.weight, scale);
}

std::size_t LineList::linesFitting(std::size_t first, float scale) const {
    float used = 0.0f;
    std::size_t n = 0;
    for (std::size_t i = first; i < lines_.size(); ++i, ++n) {
        used += heightOfLine(i, scale);
        if (used > bounds().size.height) break;
    }
    return n;
}

std::size_t LineList::lastFirstLine(float scale) const {
    float used = 0.0f;
    std::size_t first = lines_.size();
    while (first > 0) {
        used += heightOfLine(first - 1, scale);
        if (used > bounds().size.height) break;
        --first;
    }
    return first;
}

std::size_t LineList::visibleLineCount() const {
    return linesFitting(first_, windowContentScale());
}

bool LineList::canScroll() const {
    return lastFirstLine(windowContentScale()) > 0;
}

void LineList::scrollToLine(std::size_t first) {
    first_ = std::min(first, lastFirstLine(windowContentScale()));
}

void LineList::scrollBy(int lines) {
    const auto target = static_cast<long>(first_) + lines;
    scrollToLine(static_cast<std::size_t>(std::max(0L, target)));
}

void LineList::scrollLineToVisible(std::size_t line) {
    if (line >= lines_.size()) return;
    if (line < first_) {
        scrollToLine(line);
        return;
    }
    const float scale = windowContentScale();
    // Move the top down until the line fits below it.
    std::size_t first = first_;
    while (first < line && first + linesFitting(first, scale) <= line)
        ++first;
    scrollToLine(first);
}

std::optional<Rect> LineList::frameOfLine(std::size_t line) const {
    if (line < first_ || line >= first_ + visibleLineCount()) return std::nullopt;
    const float scale = windowContentScale();
    float y = bounds().origin.y;
    for (std::size_t i = first_; i < line; ++i)
        y += heightOfLine(i, scale);
    return Rect{{bounds().origin.x, y}, {bounds().size.width, heightOfLine(line, scale)}};
}

bool LineList::keyDown(const KeyEvent& key) {
    // Its keys while it shows, also when there is nothing to scroll: they must not fall through
    // to whatever lies beneath.
    if (key.control || key.alt) return false;
    switch (key.code) {
    case KeyCode::Up:
        scrollBy(-1);
        return true;
    case KeyCode::Down:
        scrollBy(1);
        return true;
    case KeyCode::Space: {
        const int page = static_cast<int>(std::max<std::size_t>(1, visibleLineCount() - 1));
        scrollBy(key.shift ? -page : page);
        return true;
    }
    default:
        return false;
    }
}

void LineList::touchesBegan(const Touch& touch) {
    dragStartY_ = touch.location.y;
    dragStartLine_ = first_;
}

void LineList::touchesMoved(const Touch& touch) {
    if (lines_.empty()) return;
    const float step =
        heightOfLine(std::min(dragStartLine_, lines_.size() - 1), windowContentScale());
    const float lines = (dragStartY_ - touch.location.y) / std::max(step, 1.0f);
    const auto target = static_cast<long>(dragStartLine_) + std::lround(lines);
    scrollToLine(static_cast<std::size_t>(std::max(0L, target)));
}

void LineList::draw(float scale) {
    Widget::draw(scale);
    const Rect& b = bounds();
    float y = b.origin.y;
    const std::size_t shown = linesFitting(first_, scale);
    // A band stops short of the scroll bar, so that the bar shows over no line.
    const float bandWidth = b.size.width - (lastFirstLine(scale) > 0 ? kScrollBarRoom : 0.0f);
    const TextRoom room({b.origin, {bandWidth, b.size.height}});
    for (std::size_t i = first_; i < first_ + shown; ++i) {
        const ListLine& line = lines_[i];
        const float h = heightOfLine(i, scale);
        if (line.band.a > 0.0f)
            uiFillRoundedRect({{b.origin.x, y}, {bandWidth, h}}, 4.0f, Gradient::solid(line.band));
        const float textTop = y + (h - textLineHeight(line.fontSize, line.weight, scale)) * 0.5f;
        for (const ListCell& cell : line.cells) {
            const FontWeight weight = cell.bold ? FontWeight::Bold : line.weight;
            float x = b.origin.x + cell.x;
            if (cell.alignment == CellAlignment::Right)
                x -= textSize(cell.text, line.fontSize, weight, scale).width;
            drawText(cell.text, {x, textTop}, line.fontSize, weight, line.color, scale,
                     cell.alignment == CellAlignment::Centre ? TextAnchor::TopCentre
                                                             : TextAnchor::TopLeft);
        }
        y += h;
    }
    const std::size_t last = lastFirstLine(scale);
    if (last == 0 || lines_.empty()) return;
    // The scroll bar: the thumb's share of the track is the share of lines shown.
    const float track = b.size.height - 4.0f;
    const float share = static_cast<float>(shown) / static_cast<float>(lines_.size());
    const float thumb = std::max(12.0f, track * share);
    const float at = static_cast<float>(first_) / static_cast<float>(last);
    uiFillRoundedRect({{b.origin.x + b.size.width - 4.0f, b.origin.y + 2.0f + (track - thumb) * at},
                       {3.0f, thumb}},
                      1.5f, Gradient::solid({1.0f, 1.0f, 1.0f, 0.5f}));
}
