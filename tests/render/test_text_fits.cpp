// Every text the player reads fits its box in every shipped language and in the pseudo-language
// (each text about 40 % longer): drawn at scale 1 in the running game, every line stays inside
// the box it belongs to (a card, a button, a list's column) and clear of the other lines of its
// view. The catalogues are the build tree's.
#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Classes/AppDelegate.h"
#include "Classes/PuzzleView.h"
#include "desktop/panels/GamePanels.h"
#include "desktop/record/Settings.h"
#include "platform/base/Translation.h"
#include "platform/gl/Screen.h"
#include "platform/media/Resources.h"
#include "platform/ui/Text.h"
#include "sim/Boards.h"
#include "support/Views.h"

namespace {

// "" is English; SPHERON_TEST_LANGUAGES lists the shipped ones.
std::vector<std::string> languages() {
    std::vector<std::string> all{"", "pseudo"};
    std::istringstream shipped(SPHERON_TEST_LANGUAGES);
    for (std::string lang; shipped >> lang;)
        all.push_back(lang);
    return all;
}

std::string describe(const Rect& r) {
    std::ostringstream out;
    out << "(" << r.origin.x << "," << r.origin.y << " " << r.size.width << "x" << r.size.height
        << ")";
    return out.str();
}

constexpr float kSlack = 0.5f; // points: pixel snapping

bool inside(const Rect& box, const Rect& room) {
    return box.origin.x >= room.origin.x - kSlack && box.origin.y >= room.origin.y - kSlack &&
           box.origin.x + box.size.width <= room.origin.x + room.size.width + kSlack &&
           box.origin.y + box.size.height <= room.origin.y + room.size.height + kSlack;
}

bool overlap(const Rect& a, const Rect& b) {
    const float w = std::min(a.origin.x + a.size.width, b.origin.x + b.size.width) -
                    std::max(a.origin.x, b.origin.x);
    const float h = std::min(a.origin.y + a.size.height, b.origin.y + b.size.height) -
                    std::max(a.origin.y, b.origin.y);
    // Lines of a paragraph may share a point or two of their boxes' spacing, never a glyph.
    return w > kSlack && h > 2.0f;
}

class TextFits : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (!GetParam().empty()) language_ = std::make_unique<EnvVar>("LANGUAGE", GetParam().c_str());
        startTranslation(localeDirectory());
        ASSERT_TRUE(screenOpen({"test", 320, 480, false}));
        resetGameGlobals();
        delegate = std::make_unique<AppDelegate>(store, settingsFilePath());
        delegate->applicationDidFinishLaunching(nullptr);
        view = delegate->puzzleView();
        panels = delegate->gamePanels();
        setTextRecording(true);
    }
    void TearDown() override {
        setTextRecording(false);
        delegate.reset();
        screenClose();
        language_.reset();
        std::setlocale(LC_ALL, "C");
    }
    bool send(KeyCode code, bool control = false, bool shift = false) {
        InputEvent e = keyDown(code);
        e.key.control = control;
        e.key.shift = shift;
        return delegate->window()->sendEvent(e) || delegate->applicationKeyDown(nullptr, e.key);
    }
    // Ends a game of this number with this score, as the game does.
    void endGame(std::uint32_t number, std::uint32_t score) {
        view->newGameWithNumber(number);
        makeRestingBoard(&puzzle, 7);
        puzzle.score = score;
        view->drawView();
        quitRequest = 1;
        for (int i = 0; i < 10; ++i)
            view->drawView();
    }
    // The window drawn now: every text inside its room and clear of the others of its view.
    // Returns how many texts were drawn.
    std::size_t check(const std::string& what) {
        takeDrawnTexts();
        composeWindow();
        const std::vector<DrawnText> drawn = takeDrawnTexts();
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            const DrawnText& t = drawn[i];
            EXPECT_TRUE(inside(t.box, t.room))
                << what << ": \"" << t.text << "\" " << describe(t.box) << " leaves its box "
                << describe(t.room);
            for (std::size_t j = 0; j < i; ++j) {
                if (drawn[j].owner != t.owner) continue;
                EXPECT_FALSE(overlap(drawn[j].box, t.box))
                    << what << ": \"" << t.text << "\" " << describe(t.box) << " overlaps \""
                    << drawn[j].text << "\" " << describe(drawn[j].box);
            }
        }
        return drawn.size();
    }

    std::unique_ptr<EnvVar> language_;
    ScratchDir dir;
    UserDefaults store{(dir / "preferences.plist").string()};
    std::unique_ptr<AppDelegate> delegate;
    PuzzleView* view = nullptr;
    GamePanels* panels = nullptr;
};

TEST_P(TextFits, InEveryViewAndPanel) {
    if (panels->howToPlayCard()->isShown()) send(KeyCode::Escape); // the first start's card
    EXPECT_GT(check("the game"), 0u);
    panels->showHowToPlay();
    ASSERT_TRUE(panels->howToPlayCard()->isShown());
    check("the how-to-play card");
    send(KeyCode::Escape);
    panels->toggleMenu();
    ASSERT_TRUE(panels->menu()->isShown());
    check("the menu");
    send(KeyCode::Escape);
    // Two games in the tables, the second a new best with the largest board number.
    endGame(7, 120);
    endGame(4294967295u, 9801);
    ASSERT_TRUE(panels->gameOverPanel()->isShown());
    check("the game-over panel");
    send(KeyCode::Escape); // the game's own line says that it has ended
    check("the ended game");
    ASSERT_TRUE(send(KeyCode::H, true));
    check("the scores");
    send(KeyCode::Escape);
    ASSERT_TRUE(send(KeyCode::Comma, true));
    check("the preferences");
    send(KeyCode::Escape);
    ASSERT_TRUE(send(KeyCode::F1));
    // Page by page to its last line.
    LineList* help = panels->helpView()->list();
    for (std::size_t first = 0;; first += 8) {
        help->scrollToLine(first); // held at the last page
        const std::size_t shown = help->firstVisibleLine();
        check("the help from line " + std::to_string(shown));
        if (shown < first) break; // the last page
    }
    send(KeyCode::Escape);
    send(KeyCode::F2); // a new game
    ASSERT_TRUE(send(KeyCode::P));
    check("the pause");
    send(KeyCode::P);
    ASSERT_TRUE(send(KeyCode::F1, false, true));
    check("the About box");
}

INSTANTIATE_TEST_SUITE_P(Languages, TextFits, ::testing::ValuesIn(languages()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             std::string name = param.param.empty() ? "en" : param.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

} // namespace
