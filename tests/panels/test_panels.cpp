// The game's panels drawn offscreen over a stand-in game area at scale 1: what shows in pixels
// (the "New best score!" line, the latest score's band, a switch's on and off looks), closing by
// key, button and tap, the preferences' changes, and that a hidden panel takes nothing from the
// game.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "desktop/panels/GameOverPanel.h"
#include "desktop/panels/HelpView.h"
#include "desktop/panels/PreferencesView.h"
#include "desktop/panels/ScoresView.h"
#include "desktop/panels/TimeBar.h"
#include "platform/gl/Screen.h"
#include "platform/media/Resources.h"
#include "platform/ui/Text.h"
#include "support/Views.h"

namespace {

const Rect kGameArea{{0.0f, 64.0f}, {320.0f, 372.0f}};

bool isGold(Rgba p) {
    return p.r > 200 && p.g > 150 && p.b < 90;
}
bool isSwitchBlue(Rgba p) {
    return p.b - p.r > 80;
}
bool isSwitchGrey(Rgba p) {
    return std::abs(p.r - p.g) < 15 && std::abs(p.g - p.b) < 25 && p.r > 80;
}

// Every cell of the list inside its width (long game numbers shortened, not cut).
void expectCellsFit(const LineList& list) {
    for (const ListLine& line : list.lines())
        for (const ListCell& cell : line.cells) {
            const FontWeight weight = cell.bold ? FontWeight::Bold : line.weight;
            const float w = textSize(cell.text, line.fontSize, weight, 1.0f).width;
            const float left = cell.alignment == CellAlignment::Right ? cell.x - w : cell.x;
            EXPECT_GE(left, 0.0f) << cell.text;
            EXPECT_LE(left + w, list.bounds().size.width) << cell.text;
        }
}

// The game area: a green widget that records whether it was touched.
class GamePad : public Widget {
public:
    GamePad() : Widget(kGameArea) { setBackgroundColor({0.0f, 0.8f, 0.0f, 1.0f}); }
    void touchesBegan(const Touch&) override { ++touches; }
    int touches = 0;
};

class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(screenOpen({"test", 320, 480, false}));
        windowSetContentScale(1.0f);
        ASSERT_TRUE(textFontAvailable());
        window = Window::initWithFrame({{0.0f, 0.0f}, {320.0f, 480.0f}});
        window->addSubview(&game);
        window->makeKeyAndVisible();
    }
    void TearDown() override {
        window.reset();
        screenClose();
    }
    void add(Panel& panel) {
        window->addSubview(&panel);
        panel.setCloseHandler([this] { events.push_back("close"); });
    }
    void press(const Panel& panel, int button) {
        tapInWindow(*window, centreInWindow(panel.buttonAtIndex(button)));
    }
    // The shipped settings file's view over `store`, shown, each change noted as "key=value".
    std::unique_ptr<PreferencesView> shownPreferences(UserDefaults& store,
                                                      std::vector<std::string>& changes) {
        const auto specifiers =
            readSettingSpecifiers(resourceDirectory() + "/Settings.bundle/Root.plist");
        if (!specifiers) return nullptr;
        auto view = PreferencesView::initWithFrame(kGameArea, *specifiers);
        add(*view);
        view->setChangeHandler([&changes](const std::string& key, const PropertyList& value) {
            changes.push_back(key + "=" + scalarText(value));
        });
        view->reloadValues(store);
        view->show();
        return view;
    }
    GamePad game;
    std::unique_ptr<Window> window;
    std::vector<std::string> events;
};

TEST_F(PanelsTest, GameOverShowsNewBestOnlyForANewBestAndClosesEveryWay) {
    auto panel = GameOverPanel::initWithFrame(kGameArea);
    add(*panel);
    panel->setNewGameHandler([this] { events.push_back("new game"); });
    panel->setScoresHandler([this] { events.push_back("scores"); });
    struct Case {
        bool newBest, practice;
        bool goldShown;
    };
    for (const Case c :
         {Case{true, false, true}, Case{false, false, false}, Case{true, true, false}}) {
        GameOverInfo info{GameEndReason::TimeUp, 420, 420, 1, c.newBest, c.practice, 77, 3};
        panel->showGameOver(info);
        const WindowShot s = composeWindow();
        const int gold = s.countIn(panel->convertRectToWindow(panel->cardFrame()), isGold);
        EXPECT_EQ(gold > 30, c.goldShown) << gold << " gold pixels";
        EXPECT_GT(s.countIn({{0, 70}, {320, 20}}, [](Rgba p) { return p.g > 120 && p.r < 60; }),
                  5000) // the board still shows around the card
            << "newBest " << c.newBest;
    }
    // Escape, and a tap beside the card, hide it; a tap on the card does not.
    window->sendEvent(keyDown(KeyCode::Escape));
    EXPECT_FALSE(panel->isShown());
    panel->showGameOver({});
    const Rect card = panel->convertRectToWindow(panel->cardFrame());
    tapInWindow(*window, {card.origin.x + 20.0f, card.origin.y + 30.0f});
    EXPECT_TRUE(panel->isShown());
    tapInWindow(*window, {160.0f, card.origin.y - 10.0f});
    EXPECT_FALSE(panel->isShown());
    EXPECT_EQ(game.touches, 0); // the taps went to the panel, not the board below
    panel->showGameOver({});
    window->sendEvent(keyDown(KeyCode::Return));
    panel->showGameOver({});
    press(*panel, 1);
    EXPECT_EQ(events,
              (std::vector<std::string>{"close", "close", "close", "new game", "close", "scores"}));
    // Hidden, it takes nothing: keys and taps reach the game.
    EXPECT_FALSE(window->sendEvent(keyDown(KeyCode::Escape)));
    tapInWindow(*window, {card.origin.x + 20.0f, card.origin.y + 30.0f});
    EXPECT_EQ(game.touches, 1);
}

TEST(GameOverPanel, SaysTheRankAsAPlaceInItsGameTypesTable) {
    const struct {
        int rank;
        std::uint32_t score;
        int gameType;
        const char* said;
    } cases[] = {{1, 120, 0, "1st of the untimed games"},
                 {2, 90, 1, "2nd of the 1-minute games"},
                 {3, 80, 5, "3rd of the 5-minute games"},
                 {10, 5, 0, "10th of the untimed games"},
                 {0, 40, 3, "Not among the 10 best 3-minute games"},
                 {0, 0, 1, "No points: not recorded"}};
    for (const auto& c : cases)
        EXPECT_EQ(GameOverPanel::placeText(c.rank, c.score, c.gameType), c.said);
}

TEST(TimeBar, WritesTheTimeLeftAsMinutesAndSeconds) {
    const std::pair<int, const char*> cases[] = {{300, "5:00"}, {61, "1:01"}, {60, "1:00"},
                                                 {59, "0:59"},  {9, "0:09"},  {0, "0:00"},
                                                 {-3, "0:00"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(timeLeftText(seconds), text) << seconds;
}

TEST_F(PanelsTest, ScoresListTheCurrentGameTypeFirstAndMarkTheLatestEntry) {
    ScoreTables tables;
    for (int type : {0, 3})
        for (std::uint32_t i = 0; i < 10; ++i)
            tables.byGameType[std::size_t(type)].push_back(
                {1000 - 50 * i, "2026-12-06T19:47:42Z", 18446744073709551615ull - i});
    auto view = ScoresView::initWithFrame(kGameArea);
    add(*view);
    struct Case {
        int current;
        ScoresView::Latest latest;
        const char* firstHeading;
    };
    for (const Case c :
         {Case{3, {3, 2}, "3 minutes"}, Case{3, {0, 9}, "3 minutes"}, Case{0, {0, 0}, "Untimed"}}) {
        view->setTables(tables, c.current, c.latest);
        view->show();
        LineList& list = *view->list();
        EXPECT_EQ(list.lines()[0].cells[0].text, c.firstHeading);
        const auto latest = view->lineOfEntry(c.latest.gameType, c.latest.index);
        const auto other = view->lineOfEntry(c.latest.gameType, c.latest.index ? 0 : 1);
        ASSERT_TRUE(latest && other);
        const std::optional<Rect> marked = list.frameOfLine(*latest); // scrolled into sight
        const std::optional<Rect> plain = list.frameOfLine(*other);
        ASSERT_TRUE(marked && plain);
        const WindowShot s = composeWindow();
        // Between the rank and the score columns, where the band shows behind no text.
        const auto band = [&](const Rect& r) {
            const Rect w = list.convertRectToWindow(r);
            return s.at(int(w.origin.x) + 50, int(w.origin.y + w.size.height * 0.5f));
        };
        EXPECT_GT(band(*marked).r, band(*marked).b + 60);
        EXPECT_LT(band(*plain).r, band(*plain).b);
        // The band stops short of the scroll bar at the list's right edge.
        ASSERT_TRUE(list.canScroll());
        const Rect edge = list.convertRectToWindow(*marked);
        const Rgba underBar = s.at(int(edge.origin.x + edge.size.width) - 2,
                                   int(edge.origin.y + edge.size.height * 0.5f));
        EXPECT_LT(underBar.r, underBar.b);
        expectCellsFit(list);
    }
    window->sendEvent(keyDown(KeyCode::Escape));
    EXPECT_FALSE(view->isShown());
    EXPECT_EQ(events, std::vector<std::string>{"close"});
}

TEST_F(PanelsTest, PreferencesShowTheStoreAndReportChangesAtOnce) {
    ScratchDir dir;
    UserDefaults store((dir / "preferences.plist").string());
    store.setObject(std::string("false"), "sfxState");
    store.setObject(std::string("true"), "accelState");
    store.setObject(std::int64_t(3), "gameType");
    std::vector<std::string> changes;
    auto view = shownPreferences(store, changes);
    ASSERT_TRUE(view);
    ASSERT_EQ(view->controls().size(), 6u); // four switches, the game type and the name
    const WindowShot s = composeWindow();
    const auto middle = [&](const char* key) {
        const Point c = centreInWindow(view->switchForKey(key));
        return s.at(int(c.x), int(c.y));
    };
    EXPECT_TRUE(isSwitchGrey(middle("sfxState")));
    EXPECT_TRUE(isSwitchBlue(middle("showHints"))); // nothing stored: the file's default
    EXPECT_TRUE(isSwitchBlue(middle("accelState")));
    EXPECT_EQ(view->pickerForKey("gameType")->selectedIndex(), 3u);

    tapInWindow(*window, centreInWindow(view->switchForKey("showHints")));
    EXPECT_TRUE(isSwitchGrey(middle("sfxState")));
    const Point c = centreInWindow(view->switchForKey("showHints"));
    EXPECT_TRUE(isSwitchGrey(composeWindow().at(int(c.x), int(c.y))));
    // (The keyboard's way through the view is the running game's panels suite's.)
    EXPECT_EQ(changes, std::vector<std::string>{"showHints=false"});
    window->sendEvent(keyDown(KeyCode::Return)); // Done
    EXPECT_FALSE(view->isShown());
    EXPECT_EQ(events, std::vector<std::string>{"close"});
    EXPECT_EQ(store.stringForKey("showHints"), std::nullopt); // the view writes nothing itself
}

// The name field: typed text of any script (an input method commits whole words), Backspace by
// whole characters, a limit in characters, every change reported; while it edits, the game's
// keys stay in it; once the view closes it takes no more text.
TEST_F(PanelsTest, TheNameFieldTakesTextOfAnyScriptAndKeepsTheKeysWhileItEdits) {
    ScratchDir dir;
    UserDefaults store((dir / "preferences.plist").string());
    store.setObject(std::string("Al"), "playerName");
    std::vector<std::string> changes;
    auto view = shownPreferences(store, changes);
    ASSERT_TRUE(view);
    TextField* field = view->fieldForKey("playerName");
    ASSERT_TRUE(field);
    EXPECT_EQ(field->text(), "Al");
    const auto text = [](const std::string& typed) {
        InputEvent e;
        e.type = InputType::TextInput;
        e.text = typed;
        return e;
    };
    EXPECT_FALSE(window->sendEvent(text("x"))) << "no text before the field edits";
    ASSERT_FALSE(field->isHidden()) << "the row fits the phone's size";
    tapInWindow(*window, centreInWindow(field));
    ASSERT_TRUE(field->isEditing());
    for (int i = 0; i < 3; ++i) // the third finds nothing left and reports nothing
        EXPECT_TRUE(window->sendEvent(keyDown(KeyCode::Backspace)));
    EXPECT_TRUE(window->sendEvent(text("Zo\u00eb ")));
    EXPECT_TRUE(window->sendEvent(text("\u5c71\u7530"))); // committed by an input method
    EXPECT_TRUE(window->sendEvent(keyDown(KeyCode::H)));     // its text comes as text
    EXPECT_TRUE(window->sendEvent(keyDown(KeyCode::Backspace)));
    EXPECT_EQ(changes, (std::vector<std::string>{"playerName=A", "playerName=",
                                                 "playerName=Zo\u00eb",
                                                 "playerName=Zo\u00eb \u5c71\u7530",
                                                 "playerName=Zo\u00eb \u5c71"}));
    std::string many, kept;
    for (int i = 0; i < 40; ++i) {
        many += "\u00e9\x01";
        if (i < 27) kept += "\u00e9";
    }
    window->sendEvent(text(many));
    EXPECT_EQ(field->text(), "Zo\u00eb \u5c71" + kept); // 32 characters, no control ones
    window->sendEvent(keyDown(KeyCode::Escape));
    EXPECT_FALSE(view->isShown());
    EXPECT_FALSE(field->isEditing());
}

TEST_F(PanelsTest, HelpFitsItsWidthAndScrollsByKeyAndDrag) {
    auto view = HelpView::initWithFrame(kGameArea);
    add(*view);
    view->show();
    LineList& list = *view->list();
    ASSERT_TRUE(list.canScroll());
    expectCellsFit(list);
    EXPECT_TRUE(window->sendEvent(keyDown(KeyCode::Down)));
    EXPECT_EQ(list.firstVisibleLine(), 1u);
    const Point c = centreInWindow(&list);
    window->sendEvent(touchEvent(InputType::TouchDown, c));
    window->sendEvent(touchEvent(InputType::TouchMove, {c.x, c.y - 3000.0f}));
    window->sendEvent(touchEvent(InputType::TouchUp, {c.x, c.y - 3000.0f}));
    EXPECT_FALSE(list.canScroll() && list.frameOfLine(list.lines().size() - 1) == std::nullopt);
    const std::size_t bottom = list.firstVisibleLine();
    EXPECT_GT(bottom, 1u);
    EXPECT_TRUE(window->sendEvent(keyDown(KeyCode::Down)));
    EXPECT_EQ(list.firstVisibleLine(), bottom); // the last page stays full
    window->sendEvent(keyDown(KeyCode::Escape));
    EXPECT_FALSE(view->isShown());
}

} // namespace
