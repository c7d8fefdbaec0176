// The help over the game area: the rules, the scoring, how a game ends, the keys and buttons,
// and the game controller, as wrapped text in a list that scrolls by whole lines (Up, Down,
// Space, a drag). Close, Return or Escape close it; its other button shows the how-to-play card
// again. Also that card: what a new player needs to start, on one screen, closed by a click or
// any key. Platform view layer only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "desktop/panels/Panel.h"
#include "platform/ui/Controls.h"

class HelpView : public Panel {
public:
    static std::unique_ptr<HelpView> initWithFrame(const Rect& frame);

    // The section of the keys, which the menu's Keyboard Shortcuts opens on.
    static constexpr std::size_t kKeysSection = 3;

    // One section of the help: a heading, then paragraphs, or rows of a key and what it does.
    struct Section {
        std::string heading;
        std::vector<std::string> paragraphs;
        std::vector<std::pair<std::string, std::string>> keys;
    };
    static const std::vector<Section>& sections();

    LineList* list() const { return list_.get(); }
    // Scrolls the section's heading to the top of the list (as far as the list scrolls).
    void scrollToSection(std::size_t section);
    // The button that shows the how-to-play card; the card is someone else's to show.
    void setHowToPlayHandler(Handler handler) { howToPlay_ = std::move(handler); }

    void layoutContent() override;

private:
    explicit HelpView(const Rect& frame);
    std::unique_ptr<LineList> list_;
    std::vector<std::size_t> sectionLines_; // each section's first line in the list
    Handler howToPlay_;
};

class HowToPlayCard : public Panel {
public:
    static std::unique_ptr<HowToPlayCard> initWithFrame(const Rect& frame);

    // The card's lines, in the order shown.
    static std::vector<std::string> lines();

    // Any key closes the card, and is taken.
    bool keyDown(const KeyEvent& key) override;
    // So does a click, on the card or beside it.
    void touchesEnded(const Touch& touch) override;

protected:
    Rect placeCard(const Rect& bounds, float scale) const override;
    void layoutContent() override;
    void drawContent(float scale) override;

private:
    explicit HowToPlayCard(const Rect& frame);
    // The lines wrapped at `width`, at the size that fits them into `room` points of height.
    struct Text {
        float size = 0.0f;
        std::vector<std::vector<std::string>> lines;
        float height = 0.0f; // with the gaps between lines
    };
    static Text fit(float width, float room, float scale);

    Text shown_; // as laid out last
};
