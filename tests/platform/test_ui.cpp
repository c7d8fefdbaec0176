// The view layer on real OpenGL ES 1.1 (offscreen), checked in rendered pixels: the time bar's
// fill, buttons, the alert and its wrapped text, Japanese wrapped without spaces, no font, and the
// text textures kept only while shown.
#include <gtest/gtest.h>

#include <GLES/gl.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/Log.h"
#include "platform/gl/Screen.h"
#include "platform/gl/X11Title.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Bars.h"
#include "platform/ui/Button.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/Text.h"
#include "platform/ui/Window.h"
#include "support/Views.h"

namespace {

bool isFillBlue(Rgba p) {
    return p.b - p.r > 60;
}

// The 320 x 480 window as the application lays it out below a 20-point strip, with a green
// widget standing in for the game and one arrow in the toolbar. (The layout's pixels, the bars and
// time bar over the real game view's GL layer, are read back in the application suite.)
struct GameWindow {
    std::unique_ptr<Window> window;
    std::unique_ptr<NavigationBar> nav;
    std::unique_ptr<Toolbar> toolbar;
    std::unique_ptr<Widget> game;
    std::unique_ptr<ProgressView> timeBar;
    std::vector<std::string> actions;

    GameWindow() {
        window = Window::initWithFrame({{0.0f, 0.0f}, {320.0f, 480.0f}});
        nav = NavigationBar::initWithFrame({});
        nav->sizeToFit();
        nav->setFrame({{0.0f, 20.0f}, {320.0f, nav->frame().size.height}});
        window->addSubview(nav.get());

        toolbar = Toolbar::initWithFrame({});
        toolbar->sizeToFit();
        const float barH = toolbar->frame().size.height;
        toolbar->setFrame({{0.0f, 480.0f - barH}, {320.0f, barH}});
        std::vector<std::unique_ptr<BarButtonItem>> items;
        items.push_back(BarButtonItem::initWithImage(
            Image::imageNamed("left-1.png"), kBarButtonItemStyleBordered,
            [this](auto*) { actions.push_back("left-1.png"); }));
        items.back()->setWidth(66.0f);
        toolbar->setItems(std::move(items));
        window->addSubview(toolbar.get());

        game = std::make_unique<Widget>(Rect{{0.0f, 64.0f}, {320.0f, 372.0f}});
        game->setBackgroundColor(Color::colorWithRed(0.0f, 0.8f, 0.0f, 1.0f));
        window->addSubview(game.get());
        timeBar = ProgressView::initWithFrame({{80.0f, 412.0f}, {160.0f, 14.0f}});
        timeBar->setProgress(1.0f);
        window->addSubview(timeBar.get());

        nav->pushNavigationItem(NavigationItem::initWithTitle("Spheron"), false);
        window->makeKeyAndVisible();
    }
};

class UITest : public ::testing::Test {
protected:
    void SetUp() override { open(1); }
    void TearDown() override {
        setLogSink(nullptr);
        setTextFontConfigFile("");
        screenClose();
        windowSetContentScale(1.0f);
        View::setDefaultContentScale(1.0f);
    }
    void open(int scale) {
        ScreenOptions options;
        options.widthPx = 320 * scale;
        options.heightPx = 480 * scale;
        options.visible = false;
        ASSERT_TRUE(screenOpen(options));
        windowSetContentScale(static_cast<float>(scale));
        View::setDefaultContentScale(static_cast<float>(scale));
    }
};

TEST_F(UITest, ProgressFillsInProportionWithinItsRange) {
    GameWindow app;
    for (float p : {0.0f, 0.25f, 0.8f, 1.0f, 2.0f, std::nanf("")}) {
        app.timeBar->setProgress(p);
        const WindowShot s = composeWindow();
        int filled = 0;
        for (int x = 80; x < 240; ++x)
            filled += isFillBlue(s.at(x, 419));
        const float shown = p > 1.0f ? 1.0f : p >= 0.0f ? p : 0.0f; // NaN shows empty
        EXPECT_EQ(app.timeBar->progress(), shown);
        EXPECT_NEAR(filled, shown * 158.0f, 3.0) << "progress " << p;
    }
}

TEST_F(UITest, ButtonsActOnlyOnReleaseInsideAndShowThePressWhileHeld) {
    GameWindow app;
    Button* left = app.toolbar->items()[0]->button();
    const Point c = centreInWindow(left);
    const Rect f = left->convertRectToWindow(left->bounds());
    const int px = int(f.origin.x) + 6; // the face, clear of the arrow
    const int py = int(c.y) + 5;
    const Rgba idle = composeWindow().at(px, py);

    Window& w = *app.window;
    w.sendEvent(touchEvent(InputType::TouchDown, {c.x, c.y}));
    EXPECT_LT(composeWindow().at(px, py).r, idle.r - 15); // pressed looks darker
    w.sendEvent(touchEvent(InputType::TouchMove, {c.x, 300.0f}));
    EXPECT_FALSE(left->isHighlighted()); // dragged off
    w.sendEvent(touchEvent(InputType::TouchMove, {c.x + 10.0f, c.y}));
    EXPECT_TRUE(left->isHighlighted() && app.actions.empty());
    w.sendEvent(touchEvent(InputType::TouchUp, {c.x + 10.0f, c.y}));
    w.sendEvent(touchEvent(InputType::TouchUp, {c.x, c.y})); // a second release: nothing
    EXPECT_EQ(composeWindow().at(px, py).r, idle.r);
    // Released outside, or cancelled: no action.
    w.sendEvent(touchEvent(InputType::TouchDown, {c.x, c.y}));
    w.sendEvent(touchEvent(InputType::TouchUp, {c.x, 200.0f}));
    w.sendEvent(touchEvent(InputType::TouchDown, {c.x, c.y}));
    w.sendEvent(touchEvent(InputType::TouchCancel, {c.x, c.y}));
    EXPECT_EQ(app.actions, std::vector<std::string>{"left-1.png"});
    EXPECT_FALSE(left->isHighlighted());
}

class RecordingDelegate : public AlertViewDelegate {
public:
    void alertView(AlertView*, int index) override { clicked.push_back(index); }
    std::vector<int> clicked;
};

TEST_F(UITest, AboutAlertIsModalWrapsItsMessageAndReportsEveryWayOut) {
    GameWindow app;
    RecordingDelegate delegate;
    auto alert = AlertView::initWithTitle(
        "Spheron 1.1",
        "Written by Tolvane\r\nComments, suggestions? Got an iPhone project you need help with?",
        &delegate, "Go Back!", {"Email"});
    alert->show();
    const auto& lines = alert->messageLines();
    ASSERT_GE(lines.size(), 3u); // the break, then the long sentence wrapped
    EXPECT_TRUE(lines[0] == "Written by Tolvane" && lines[1].rfind("Comments,", 0) == 0);
    for (const std::string& line : lines)
        EXPECT_LE(textSize(line, 16.0f, FontWeight::Regular, 1.0f).width, 252.0f) << line;
    const WindowShot s = composeWindow();
    const Rect box = alert->boxFrame();
    const Rgba inBox = s.at(int(box.origin.x) + 12, int(box.origin.y + box.size.height * 0.55f));
    EXPECT_TRUE(inBox.b > inBox.r + 30 && inBox.r < 80); // dark blue

    // Modal: a tap on the toolbar below reaches nothing until a button dismisses the alert.
    const Point arrow = centreInWindow(app.toolbar->items()[0]->button());
    for (int button : {1, 0}) {
        tapInWindow(*app.window, arrow);
        const Point at = centreInWindow(alert->buttonAtIndex(button));
        tapInWindow(*app.window, at);
        EXPECT_FALSE(alert->isVisible());
        alert->show();
    }
    EXPECT_TRUE(app.window->sendEvent(keyDown(KeyCode::Escape)));
    EXPECT_FALSE(app.window->sendEvent(keyDown(KeyCode::Escape))); // nothing left to take it
    alert->show();
    alert->dismissWithClickedButtonIndex(0, true);
    alert->dismissWithClickedButtonIndex(0, true); // already gone: reported once
    EXPECT_EQ(delegate.clicked, (std::vector<int>{1, 0, 0, 0}));
    EXPECT_TRUE(app.actions.empty());
    tapInWindow(*app.window, arrow); // the window is free again
    EXPECT_EQ(app.actions.size(), 1u);
}

TEST_F(UITest, JapaneseWrapsBetweenCharactersWithinTheWidthLosingNothing) {
    const std::string text = "キューブには7色のバブルが125個あります。バブルをクリックすると、"
                             "そのグループが選ばれます。";
    const std::vector<std::string> lines = textWrap(text, 13.0f, FontWeight::Regular, 120.0f, 1.0f);
    ASSERT_GE(lines.size(), 3u);
    std::string joined;
    for (const std::string& line : lines) {
        EXPECT_LE(textSize(line, 13.0f, FontWeight::Regular, 1.0f).width, 120.0f) << line;
        EXPECT_NE(line.rfind("、", 0), 0u) << line;
        EXPECT_NE(line.rfind("。", 0), 0u) << line;
        joined += line;
    }
    EXPECT_EQ(joined, text);
}

TEST_F(UITest, WithoutAFontNothingIsWrittenAndOneLineIsLogged) {
    const std::string conf = testing::TempDir() + "spheron_no_fonts.conf";
    std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
    LogCapture log;
    setTextFontConfigFile(conf);
    GameWindow app;
    RecordingDelegate delegate;
    auto alert =
        AlertView::initWithTitle("Spheron 1.1", "a\r\nb", &delegate, "Go Back!", {"Email"});
    alert->show();
    composeWindow();
    composeWindow(); // a second picture adds no second line
    setLogSink(nullptr);
    EXPECT_FALSE(textFontAvailable());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("no font"), std::string::npos) << log.lines[0];
    EXPECT_EQ(alert->messageLines(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(app.nav->titleFrame(1.0f).size.width, 0.0f);
    const Rect box = alert->boxFrame();
    EXPECT_GT(box.size.height, 100.0f); // the layout keeps its shape
    const Point email = centreInWindow(alert->buttonAtIndex(1));
    tapInWindow(*app.window, email); // still works without text
    EXPECT_EQ(delegate.clicked, std::vector<int>{1});
    std::remove(conf.c_str());
}

// A line of text drawn in every composition, as a label would.
struct LineWidget : Widget {
    explicit LineWidget(const Rect& frame) : Widget(frame) {}
    void draw(float scale) override {
        drawText(line, {2.0f, 2.0f}, 13.0f, FontWeight::Regular, Color::whiteColor(), scale);
    }
    std::string line = "Moves left: 12";
};

// A window holds the textures of the texts it shows and no others: a closed alert's lines go with
// the next composition, a ticking time drops each second it no longer shows, and a line drawn in
// every composition, whole or part, is rendered once. Measuring renders nothing.
TEST_F(UITest, OnlyTheLinesShownKeepTextures) {
    const std::uint64_t renderedBefore = textCacheUse().rendered;
    textWrap("Measuring a long sentence renders none of its words", 13.0f, FontWeight::Regular,
             60.0f, 1.0f);
    fittingPointSize("Measuring", 20.0f, FontWeight::Bold, 30.0f, 1.0f);
    EXPECT_EQ(textCacheUse().rendered, renderedBefore);

    GameWindow app;
    LineWidget label({{10.0f, 100.0f}, {200.0f, 20.0f}});
    app.game->addSubview(&label);
    app.timeBar->setText("1:00");
    ASSERT_TRUE(windowPresent());
    const TextCacheUse shown = textCacheUse();
    EXPECT_EQ(shown.lines, 3u); // the title, the label, the time
    const UITexture* labelTexture = textTexture(label.line, 13.0f, FontWeight::Regular, 1.0f);
    ASSERT_NE(labelTexture, nullptr);
    const unsigned labelName = labelTexture->name;

    RecordingDelegate delegate;
    auto alert = AlertView::initWithTitle("Game Over", "Three lines\nof text\nin an alert",
                                          &delegate, "Go Back!", {"Play Again"});
    alert->show();
    ASSERT_TRUE(windowPresent());
    EXPECT_GE(textCacheUse().lines, shown.lines + 4); // its title and three lines at least
    alert->dismissWithClickedButtonIndex(0, false);
    ASSERT_TRUE(windowPresent());
    EXPECT_EQ(textCacheUse().lines, shown.lines);
    EXPECT_EQ(textCacheUse().bytes, shown.bytes);

    // Each second the bar alone is composed; the label and the title are drawn in every part.
    const Rect bar = app.timeBar->convertRectToWindow(app.timeBar->bounds());
    const std::uint64_t rendered = textCacheUse().rendered;
    for (int second = 59; second >= 0; --second) {
        app.timeBar->setText("0:" + std::string(second < 10 ? "0" : "") + std::to_string(second));
        ASSERT_TRUE(windowPresentArea(bar));
        const WindowComposition part = windowLastComposition();
        ASSERT_LT(part.width * part.height, 320 * 480 / 4) << "a part, not the whole window";
        if (second % 20 == 0) {
            ASSERT_TRUE(windowPresent());
        }
        EXPECT_EQ(textCacheUse().lines, shown.lines) << second;
    }
    EXPECT_EQ(textCacheUse().rendered, rendered + 60); // the seconds, nothing else
    EXPECT_EQ(textTexture(label.line, 13.0f, FontWeight::Regular, 1.0f)->name, labelName);
    app.game->removeFromSuperview();
    ASSERT_TRUE(windowPresent());
    EXPECT_EQ(textCacheUse().lines, shown.lines - 1); // the label went with the game
}

// Threads of this process that llvmpipe started (it names them "llvmpipe-N").
int llvmpipeThreads() {
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && name.rfind("llvmpipe", 0) == 0) ++count;
    }
    return count;
}

// llvmpipe's threads cost more CPU per frame than they save in a small window, where one core
// draws a whole frame well within a tick; a large window keeps them, and a user's choice stands.
TEST(ScreenThreads, ASmallWindowIsDrawnOnTheCallingThreadALargeOneOnLlvmpipesOwn) {
    if (std::getenv("LP_NUM_THREADS")) GTEST_SKIP() << "LP_NUM_THREADS is set: the user's choice";
    const auto openScreen = [](int width, int height) {
        ScreenOptions options;
        options.widthPx = width;
        options.heightPx = height;
        options.visible = false;
        return screenOpen(options);
    };
    ASSERT_TRUE(openScreen(320 * 2, 480 * 2));
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer || !std::strstr(renderer, "llvmpipe")) {
        screenClose();
        GTEST_SKIP() << "not drawn by llvmpipe: " << (renderer ? renderer : "?");
    }
    EXPECT_EQ(llvmpipeThreads(), 0);
    EXPECT_EQ(std::getenv("LP_NUM_THREADS"), nullptr); // set for the window's start only
    screenClose();

    ASSERT_TRUE(openScreen(1280, 1000));
    if (std::thread::hardware_concurrency() > 1) {
        EXPECT_GT(llvmpipeThreads(), 0);
    }
    screenClose();

    setenv("LP_NUM_THREADS", "1", 1);
    ASSERT_TRUE(openScreen(320, 480));
    EXPECT_EQ(llvmpipeThreads(), 1);
    screenClose();
    unsetenv("LP_NUM_THREADS");
}

// After an event only the parts where widgets drew or draw are composed again; a GL view that
// moved, came or went leaves the whole window to compose.
TEST(WindowChangedParts, OverlappingAreasBecomeOnePartAndAMovedLayerTakesTheWholeWindow) {
    WindowLook before;
    before.hidden = false;
    before.widgetAreas = {{{0, 0}, {320, 44}}, {{10, 5}, {40, 30}}, {{0, 436}, {320, 44}}};
    before.layerFrames = {{{0, 44}, {320, 392}}};
    WindowLook after = before;
    after.widgetAreas.push_back({{100, 30}, {50, 40}}); // a card over the top bar's edge
    std::vector<Rect> parts;
    ASSERT_TRUE(windowChangedParts(before, after, parts));
    ASSERT_EQ(parts.size(), 2u);
    const Rect& top = parts[0].origin.y == 0 ? parts[0] : parts[1];
    const Rect& bottom = parts[0].origin.y == 0 ? parts[1] : parts[0];
    EXPECT_TRUE(top.origin.x == 0 && top.size.width == 320 && top.size.height == 70);
    EXPECT_TRUE(bottom.origin.y == 436 && bottom.size.height == 44);

    after.layerFrames[0].origin.y = 50;
    EXPECT_FALSE(windowChangedParts(before, after, parts));
    after.layerFrames.clear();
    EXPECT_FALSE(windowChangedParts(before, after, parts));
    after = before;
    after.background = Color::whiteColor();
    EXPECT_FALSE(windowChangedParts(before, after, parts));
}

// WM_NAME as X expects it: Latin-1 STRING where Latin-1 can write the title, else COMPOUND_TEXT
// with the rest in UTF-8 segments; never UTF-8 bytes labelled STRING.
TEST(X11Title, WmNameIsLatin1OrCompoundTextWithUtf8Segments) {
    const struct {
        const char* title;
        const char* type;
        std::string bytes;
    } cases[] = {
        {"Spheron", "STRING", "Spheron"},
        {"Caf\u00e9 7", "STRING", "Caf\xe9 7"},
        {"Spheron \u2014 game 4242", "COMPOUND_TEXT", "Spheron \x1b%G\xe2\x80\x94\x1b%@ game 4242"},
        {"\u2014\u00e9\u2014", "COMPOUND_TEXT",
         "\x1b%G\xe2\x80\x94\x1b%@\xe9\x1b%G\xe2\x80\x94\x1b%@"},
        {"a\xff\xe2\x80", "STRING", "a???"}, // not UTF-8
    };
    for (const auto& c : cases) {
        const TitleProperty p = wmNameProperty(c.title);
        EXPECT_EQ(p.type, c.type) << c.title;
        EXPECT_EQ(p.bytes, c.bytes) << c.title;
    }
}

} // namespace
