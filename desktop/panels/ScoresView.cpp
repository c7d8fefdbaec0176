// The scores view: the tables as lines of a scrolling list, columns fitted to the list's width.
#include "desktop/panels/ScoresView.h"

#include <algorithm>

#include "platform/base/Translation.h"
#include "platform/base/Utf8.h"
#include "platform/gl/Screen.h"

namespace {

constexpr float kRowSize = 12.0f;
constexpr float kRowHeight = 19.0f;
const Color kLabelColor{0.74f, 0.80f, 0.92f, 1.0f};

// The number, shortened in the middle ("1234…6789") until it is no wider than `width`.
std::string fitted(std::string number, float width, FontWeight weight, float scale) {
    if (textSize(number, kRowSize, weight, scale).width <= width) return number;
    for (std::size_t keep = number.size() / 2; keep > 1; --keep) {
        std::string shortened =
            number.substr(0, keep) + "\u2026" + number.substr(number.size() - keep);
        if (textSize(shortened, kRowSize, weight, scale).width <= width) return shortened;
    }
    return number.substr(0, 1) + "\u2026";
}

// The text cut at its end, by whole characters, with "…" until it is no wider than `width`;
// "" when not even one character fits.
std::string fittedName(std::string text, float width, FontWeight weight, float scale) {
    if (textSize(text, kRowSize, weight, scale).width <= width) return text;
    while (!text.empty()) {
        utf8DropLast(text);
        if (textSize(text + "\u2026", kRowSize, weight, scale).width <= width)
            return text.empty() ? text : text + "\u2026";
    }
    return text;
}

constexpr float kGap = 8.0f;
constexpr float kLeastNameRoom = 48.0f; // below this the dates lose their time of day

} // namespace

std::unique_ptr<ScoresView> ScoresView::initWithFrame(const Rect& frame) {
    return std::unique_ptr<ScoresView>(new ScoresView(frame));
}

ScoresView::ScoresView(const Rect& frame) : Panel(frame, _("Scores")) {
    list_ = LineList::initWithFrame({});
    addSubview(list_.get());
    addButton(_("Close"), nullptr, true);
}

void ScoresView::setTables(const ScoreTables& tables, int currentGameType,
                           std::optional<Latest> latest) {
    tables_ = tables;
    currentGameType_ =
        currentGameType >= 0 && currentGameType < kGameTypeCount ? currentGameType : 0;
    latest_ = latest;
    layoutSubviews();
}

std::optional<std::size_t> ScoresView::lineOfEntry(int gameType, std::size_t index) const {
    if (gameType < 0 || gameType >= kGameTypeCount) return std::nullopt;
    const auto& table = tables_.byGameType[static_cast<std::size_t>(gameType)];
    const std::optional<std::size_t> first = firstEntryLine_[gameType];
    if (!first || index >= table.size()) return std::nullopt;
    return *first + index;
}

void ScoresView::layoutContent() {
    const Rect content = contentFrame();
    list_->setFrame(content);
    const float scale = windowContentScale();
    const float w = content.size.width;
    const float rankX = 20.0f;
    const float scoreX = 84.0f;
    const float dateX = 96.0f;
    const float numberRight = w - 8.0f; // clear of the scroll bar

    std::vector<ListLine> lines;
    for (int k = 0; k < kGameTypeCount; ++k) {
        // The current game type first, the others in their order.
        const int type = k == 0 ? currentGameType_ : (k <= currentGameType_ ? k - 1 : k);
        const auto& table = tables_.byGameType[static_cast<std::size_t>(type)];
        if (k > 0)
            lines.push_back(
                {{}, kRowSize, FontWeight::Regular, kLabelColor, Color::clearColor(), 8.0f});
        lines.push_back({{{gameTypeTitle(type), 0.0f, CellAlignment::Left}},
                         15.0f,
                         FontWeight::Bold,
                         Color::whiteColor(),
                         Color::clearColor(),
                         24.0f});
        firstEntryLine_[type].reset();
        if (table.empty()) {
            lines.push_back({{{_("No scores yet"), rankX - 12.0f, CellAlignment::Left}},
                             kRowSize,
                             FontWeight::Regular,
                             kLabelColor,
                             Color::clearColor(),
                             kRowHeight});
            continue;
        }
        // Names sit between the dates and the numbers, in the room the widest of each leaves.
        bool anyName = false;
        float widestDate = 0.0f;
        float widestNumber = 0.0f;
        for (const ScoreEntry& e : table) {
            anyName = anyName || !shownPlayer(e).empty();
            widestDate = std::max(
                widestDate, textSize(shownDate(e.date), kRowSize, FontWeight::Bold, scale).width);
            widestNumber =
                std::max(widestNumber, textSize(std::to_string(e.gameNumber), kRowSize,
                                                FontWeight::Bold, scale)
                                           .width);
        }
        bool dayOnly = false;
        float nameX = dateX + widestDate + kGap;
        float nameRoom = numberRight - widestNumber - kGap - nameX;
        if (anyName && nameRoom < kLeastNameRoom) {
            dayOnly = true;
            widestDate = 0.0f;
            for (const ScoreEntry& e : table)
                widestDate = std::max(widestDate, textSize(shownDate(e.date).substr(0, 10),
                                                           kRowSize, FontWeight::Bold, scale)
                                                      .width);
            nameX = dateX + widestDate + kGap;
            nameRoom = numberRight - widestNumber - kGap - nameX;
        }
        std::vector<ListCell> heading = {{"#", rankX, CellAlignment::Right},
                                         {_("Score"), scoreX, CellAlignment::Right},
                                         {_("Date"), dateX, CellAlignment::Left},
                                         // TRANSLATORS: the column of the boards' numbers.
                                         {_("Game"), numberRight, CellAlignment::Right}};
        if (anyName && nameRoom > 0.0f)
            // TRANSLATORS: the column of who played each game.
            heading.push_back({fittedName(_("Player"), nameRoom, FontWeight::Regular, scale),
                               nameX, CellAlignment::Left});
        lines.push_back({std::move(heading),
                         11.0f,
                         FontWeight::Regular,
                         kLabelColor,
                         Color::clearColor(),
                         16.0f});
        firstEntryLine_[type] = lines.size();
        for (std::size_t i = 0; i < table.size(); ++i) {
            const ScoreEntry& e = table[i];
            const bool isLatest = latest_ && latest_->gameType == type && latest_->index == i;
            const FontWeight weight = isLatest ? FontWeight::Bold : FontWeight::Regular;
            std::string date = shownDate(e.date);
            if (dayOnly && date.size() > 10) date.resize(10);
            const float dateW = textSize(date, kRowSize, weight, scale).width;
            std::string number = std::to_string(e.gameNumber);
            const float numberW = textSize(number, kRowSize, weight, scale).width;
            if (dateX + dateW + 8.0f + numberW > numberRight && date.size() > 10)
                date.resize(10); // the day alone leaves the number room
            const float room =
                numberRight - dateX - 8.0f - textSize(date, kRowSize, weight, scale).width;
            std::vector<ListCell> cells = {
                {std::to_string(i + 1), rankX, CellAlignment::Right},
                {std::to_string(e.score), scoreX, CellAlignment::Right},
                {date, dateX, CellAlignment::Left},
                {fitted(number, room, weight, scale), numberRight, CellAlignment::Right}};
            if (nameRoom > 0.0f)
                if (std::string name = shownPlayer(e); !name.empty())
                    cells.push_back(
                        {fittedName(std::move(name), nameRoom, weight, scale), nameX,
                         CellAlignment::Left});
            lines.push_back(
                {std::move(cells),
                 kRowSize,
                 weight,
                 Color::whiteColor(),
                 isLatest ? latestBandColor() : Color::clearColor(),
                 kRowHeight});
        }
    }
    list_->setLines(std::move(lines));
    if (latest_)
        if (const std::optional<std::size_t> line = lineOfEntry(latest_->gameType, latest_->index))
            list_->scrollLineToVisible(*line);
}
