// The score tables over the game area: one section per game type, the current one first, each
// with its ten best games (rank, score, local date, game number) and the latest game marked.
// Scrolls by whole lines; Close, Return or Escape close it. Platform view layer and the score
// tables only.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "desktop/panels/Panel.h"
#include "desktop/record/ScoreTables.h"
#include "platform/ui/Controls.h"

class ScoresView : public Panel {
public:
    static std::unique_ptr<ScoresView> initWithFrame(const Rect& frame);

    // The game just recorded: its game type and its index in that table (its rank − 1).
    struct Latest {
        int gameType = 0;
        std::size_t index = 0;
    };
    // Fills the list, the current game type's section first, and scrolls so that the latest
    // entry shows. Call show() to show it.
    void setTables(const ScoreTables& tables, int currentGameType,
                   std::optional<Latest> latest = std::nullopt);

    LineList* list() const { return list_.get(); }
    // The list line of an entry (game type, index), or none when it has no line.
    std::optional<std::size_t> lineOfEntry(int gameType, std::size_t index) const;
    // The band behind the latest entry's line, which nothing else in the list uses.
    static Color latestBandColor() { return {0.95f, 0.72f, 0.10f, 0.55f}; }

    void layoutContent() override;

private:
    explicit ScoresView(const Rect& frame);

    std::unique_ptr<LineList> list_;
    // Where each game type's first entry is in the list; none for an empty table.
    std::optional<std::size_t> firstEntryLine_[kGameTypeCount];
    ScoreTables tables_;
    int currentGameType_ = 0;
    std::optional<Latest> latest_;
};
