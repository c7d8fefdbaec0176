// The help's text, and its layout as lines of the scrolling list at the list's width.
#include "desktop/panels/HelpView.h"

#include <algorithm>
#include <cmath>

#include "platform/base/Translation.h"
#include "platform/gl/Screen.h"
#include "platform/ui/Text.h"

namespace {

constexpr float kHeadingSize = 15.0f;
constexpr float kTextSize = 13.0f;
constexpr float kKeyColumn = 112.0f;
constexpr float kScrollBarRoom = 8.0f;
const Color kHeadingColor{1.0f, 0.86f, 0.45f, 1.0f};
const Color kTextColor{0.90f, 0.93f, 1.0f, 1.0f};

ListLine textLine(std::string text, float x, FontWeight weight) {
    return {{{std::move(text), x, CellAlignment::Left}},
            kTextSize,
            weight,
            kTextColor,
            Color::clearColor(),
            0.0f};
}

ListLine gap(float height) {
    return {{}, kTextSize, FontWeight::Regular, kTextColor, Color::clearColor(), height};
}

} // namespace

const std::vector<HelpView::Section>& HelpView::sections() {
    // TRANSLATORS: the help's keys are named as printed on the keyboard (Ctrl, Shift, Escape,
    // Return, Space) and the game controller's buttons by SDL's names (A, B, X, Y, Start, Back).
    static const std::vector<Section> all = {
        {N_("Playing"),
         {N_("The cube holds 125 bubbles in seven colours. Click a bubble to select its group: the "
             "bubbles of its colour that touch it face to face, and the ones touching those. The "
             "group pulses and a speech bubble shows what it is worth."),
          N_("Click the group again to burst it: the bubbles above fall into the gaps. A bubble "
             "with no neighbour of its colour cannot be burst."),
          N_("Turn the cube a quarter turn with the arrow buttons or the arrow keys; the bubbles "
             "then fall along the new vertical, and new groups form."),
          N_("With hints on, the other bubbles fade while a group is selected.")},
         {}},
        {N_("Scoring"),
         {N_("A group of n bubbles scores (n \u2212 1)\u00B2 points: 2 bubbles score 1, 3 score 4, "
             "5 score 16 and 10 score 81. A few big groups are worth far more than many small "
             "ones."),
          N_("Each game type (untimed, 1 to 5 minutes) keeps a table of its ten best games; the "
             "best score of all shows beside the score.")},
         {}},
        {N_("How a game ends"),
         {N_("When the cube is cleared, when no colour has two bubbles left, when the time of a "
             "timed game runs out (its bar turns red in the last ten seconds), or when no move is "
             "left: once 15 or fewer bubbles remain, the game looks for one in the background."),
          N_("A game in which undo was used is practice: its score enters no table and no best "
             "score. Every board has a number, shown when the game ends; spheron --game N plays "
             "board N again.")},
         {}},
        {N_("Keys and buttons"),
         {},
         {{"\u2190 \u2192 \u2191 \u2193", N_("Turn the cube (or the arrow buttons)")},
          {N_("W A S D, keypad"), N_("Move the cursor over the bubbles")},
          {N_("Space, Enter"), N_("Select, then burst, under the cursor")},
          {"H", N_("Hint: the best group in reach")},
          {N_("F2, Ctrl+N"), N_("New game (or the round arrow)")},
          {N_("P, Pause"), N_("Pause and resume")},
          {N_("Ctrl+Z"), N_("Undo a burst or a turn")},
          {N_("Ctrl+Y, Ctrl+Shift+Z"), N_("Redo")},
          {N_("Ctrl+comma"), N_("Preferences (or the gear button)")},
          {N_("Ctrl+H"), N_("Scores")},
          {"F1", N_("This help")},
          {N_("Shift+F1"), N_("About Spheron (or the info button)")},
          {"F10", N_("The menu (or the button with three bars)")},
          {"F11", N_("Full screen, and back")},
          {N_("Ctrl+Q"), N_("Quit")},
          {N_("Escape"), N_("Close a panel; drop the selection")},
          {N_("Return"), N_("A panel's default button")}}},
        {N_("Game controller"),
         {N_("The first controller used plays; the buttons go by SDL's names, whatever the glyphs "
             "on the pad.")},
         {{N_("D-pad, left stick"), N_("Move the cursor; in a panel, the focus")},
          {"A", N_("Select, then burst; a panel's default button")},
          {"B", N_("Close a panel; drop the selection")},
          {"X", N_("Hint")},
          {"Y", N_("Undo (the game becomes practice)")},
          {N_("Shoulders"), N_("Turn the cube left, right")},
          {N_("Triggers, right stick"), N_("Turn the cube up, down")},
          {"Start", N_("Pause and resume")},
          {"Back (Select)", N_("Open and close the menu")}}},
    };
    return all;
}

std::unique_ptr<HelpView> HelpView::initWithFrame(const Rect& frame) {
    return std::unique_ptr<HelpView>(new HelpView(frame));
}

HelpView::HelpView(const Rect& frame) : Panel(frame, _("Help")) {
    list_ = LineList::initWithFrame({});
    addSubview(list_.get());
    addButton(
        _("How to Play"),
        [this] {
            if (howToPlay_) howToPlay_();
        },
        false);
    addButton(_("Close"), nullptr, true);
}

void HelpView::scrollToSection(std::size_t section) {
    if (section < sectionLines_.size()) list_->scrollToLine(sectionLines_[section]);
}

void HelpView::layoutContent() {
    const Rect content = contentFrame();
    list_->setFrame(content);
    const float scale = windowContentScale();
    const float width = content.size.width - kScrollBarRoom;
    std::vector<ListLine> lines;
    sectionLines_.clear();
    for (const Section& section : sections()) {
        if (!lines.empty()) lines.push_back(gap(8.0f));
        sectionLines_.push_back(lines.size());
        lines.push_back({{{_(section.heading.c_str()), 0.0f, CellAlignment::Left}},
                         kHeadingSize,
                         FontWeight::Bold,
                         kHeadingColor,
                         Color::clearColor(),
                         24.0f});
        for (const std::string& paragraph : section.paragraphs) {
            for (std::string& line :
                 textWrap(_(paragraph.c_str()), kTextSize, FontWeight::Regular, width, scale))
                lines.push_back(textLine(std::move(line), 0.0f, FontWeight::Regular));
            lines.push_back(gap(5.0f));
        }
        for (const auto& [key, what] : section.keys) {
            // The key in bold, what it does beside it, wrapped under itself.
            std::vector<std::string> wrapped = textWrap(
                _(what.c_str()), kTextSize, FontWeight::Regular, width - kKeyColumn, scale);
            const std::vector<std::string> keyLines =
                textWrap(_(key.c_str()), kTextSize, FontWeight::Bold, kKeyColumn - 6.0f, scale);
            const std::size_t n = std::max(wrapped.size(), keyLines.size());
            for (std::size_t i = 0; i < n; ++i) {
                ListLine line =
                    textLine(i < wrapped.size() ? wrapped[i] : "", kKeyColumn, FontWeight::Regular);
                if (i < keyLines.size())
                    line.cells.push_back({keyLines[i], 0.0f, CellAlignment::Left, true});
                lines.push_back(std::move(line));
            }
        }
    }
    const std::size_t first = list_->firstVisibleLine();
    list_->setLines(std::move(lines));
    list_->scrollToLine(first);
}

// ---- The how-to-play card ----

namespace {

constexpr float kCardTextSize = 14.0f;
constexpr float kSmallestTextSize = 10.0f;
constexpr float kBulletIndent = 16.0f;
constexpr float kLineGap = 7.0f; // between the card's lines

} // namespace

std::unique_ptr<HowToPlayCard> HowToPlayCard::initWithFrame(const Rect& frame) {
    return std::unique_ptr<HowToPlayCard>(new HowToPlayCard(frame));
}

HowToPlayCard::HowToPlayCard(const Rect& frame) : Panel(frame, _("How to Play")) {
    setClosesOnTapOutside(true);
    // TRANSLATORS: the button that closes the how-to-play card and goes to the game.
    addButton(_("Play"), nullptr, true);
}

std::vector<std::string> HowToPlayCard::lines() {
    return {
        _("Click a bubble to select its group: the touching bubbles of its colour. The "
          "speech bubble says what the group is worth."),
        _("Click the group again to burst it. Big groups score far more than small ones."),
        _("Turn the cube with the arrow buttons or the arrow keys; the bubbles fall the new way."),
        _("Press H for a hint."),
        _("The menu button at the top right holds new games, undo, scores and help."),
    };
}

HowToPlayCard::Text HowToPlayCard::fit(float width, float room, float scale) {
    // The largest size at which the whole text fits the room (down to a floor, below which it
    // is cut at the bottom): a short window or a longer language still shows every line.
    Text text;
    for (float size = kCardTextSize; size >= kSmallestTextSize; size -= 1.0f) {
        text.size = size;
        text.lines.clear();
        text.height = 0.0f;
        const float lineHeight = textLineHeight(size, FontWeight::Regular, scale);
        for (const std::string& line : lines()) {
            text.lines.push_back(
                textWrap(line, size, FontWeight::Regular, width - kBulletIndent, scale));
            text.height += static_cast<float>(text.lines.back().size()) * lineHeight + kLineGap;
        }
        if (text.height <= room) break;
    }
    return text;
}

Rect HowToPlayCard::placeCard(const Rect& b, float scale) const {
    Rect card = Panel::placeCard(b, scale);
    // As high as its text needs, centred.
    const float chrome = 2 * kPadding + textLineHeight(kTitleSize, FontWeight::Bold, scale) +
                         8.0f + kButtonHeight + 10.0f;
    const float most = b.size.height - 16.0f;
    const Text text = fit(card.size.width - 2 * kPadding, most - chrome, scale);
    const float height = std::min(std::ceil(chrome + text.height), most);
    card.origin.y = b.origin.y + std::round((b.size.height - height) * 0.5f);
    card.size.height = height;
    return card;
}

void HowToPlayCard::layoutContent() {
    const Rect c = contentFrame();
    shown_ = fit(c.size.width, c.size.height + 1.0f, windowContentScale());
}

void HowToPlayCard::drawContent(float scale) {
    const Rect c = contentFrame();
    const float size = shown_.size;
    const float lineHeight = textLineHeight(size, FontWeight::Regular, scale);
    const float bottom = c.origin.y + c.size.height + 1.0f;
    float y = c.origin.y;
    const Color text{0.90f, 0.93f, 1.0f, 1.0f};
    const Color bullet{1.0f, 0.86f, 0.45f, 1.0f};
    for (const auto& wrappedLine : shown_.lines) {
        if (y + lineHeight > bottom) break;
        drawPanelText("\u2022", {c.origin.x, y}, size, FontWeight::Bold, bullet, scale);
        for (const std::string& part : wrappedLine) {
            if (y + lineHeight > bottom) break;
            drawPanelText(part, {c.origin.x + kBulletIndent, y}, size, FontWeight::Regular, text,
                          scale);
            y += lineHeight;
        }
        y += kLineGap;
    }
}

bool HowToPlayCard::keyDown(const KeyEvent& key) {
    if (!isShown()) return false;
    if (!key.repeat) close(); // a key held from before the card does not close it
    return true;
}

void HowToPlayCard::touchesEnded(const Touch& /*touch*/) {
    close(); // a click anywhere, as on its button
}
