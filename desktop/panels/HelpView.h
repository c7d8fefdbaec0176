// The help over the game area: the rules, the scoring, how a game ends, the keys and buttons,
// and the game controller, as wrapped text in a list that scrolls by whole lines (Up, Down,
// Space, a drag). Close, Return or Escape close it. Platform view layer only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "desktop/panels/Panel.h"
#include "platform/ui/Controls.h"

class HelpView : public Panel {
public:
    static std::unique_ptr<HelpView> initWithFrame(const Rect& frame);

    // One section of the help: a heading, then paragraphs, or rows of a key and what it does.
    struct Section {
        std::string heading;
        std::vector<std::string> paragraphs;
        std::vector<std::pair<std::string, std::string>> keys;
    };
    static const std::vector<Section>& sections();

    LineList* list() const { return list_.get(); }

    void layoutContent() override;

private:
    explicit HelpView(const Rect& frame);
    std::unique_ptr<LineList> list_;
};
