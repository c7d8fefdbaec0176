// The status bar strip above the application frame: black, with the time of day in the middle,
// as the phone shows it. Drawn above the window's views, like the phone's own status bar, and
// recomposed only when the minute changes.
#include "platform/app/ApplicationParts.h"

#include <cstdio>
#include <ctime>

#include "platform/base/RunLoop.h"
#include "platform/gl/GLLayer.h"
#include "platform/ui/Text.h"
#include "platform/ui/UIDrawing.h"

struct StatusBar::State {
public:
    State() {
        drawing_ = windowAddDrawing(kOnTop, [this] { draw(); });
        timer_ = RunLoop::main().scheduleRepeatingTimer(1.0, [this] {
            if (minuteOfDay() != shownMinute_) setNeedsCompose();
        });
    }
    ~State() {
        windowRemoveDrawing(drawing_);
        timer_->invalidate();
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

private:
    static constexpr float kOnTop = 1.0e6f;

    static int minuteOfDay() {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return local.tm_hour * 60 + local.tm_min;
    }

    void draw() {
        shownMinute_ = minuteOfDay();
        char text[24];
        std::snprintf(text, sizeof text, "%d:%02d", shownMinute_ / 60, shownMinute_ % 60);
        const float scale = windowContentScale();
        uiBegin();
        const Rect strip{{0.0f, 0.0f}, {kScreenWidth, kStatusBarHeight}};
        uiFillRect(strip, Gradient::vertical(Color::colorWithRed(0.16f, 0.16f, 0.17f, 1.0f),
                                             Color::blackColor()));
        drawText(text, {kScreenWidth * 0.5f, kStatusBarHeight * 0.5f}, 12.0f, FontWeight::Bold,
                 Color::whiteColor(), scale, TextAnchor::Centre);
        uiEnd();
    }

    int drawing_ = 0;
    int shownMinute_ = -1;
    std::shared_ptr<RunLoopTimer> timer_;
};

StatusBar::StatusBar() : state_(std::make_unique<State>()) {}
StatusBar::~StatusBar() = default;
