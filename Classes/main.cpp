// spheron: the game. `spheron --settings [KEY VALUE]` is the settings screen; otherwise the
// command line picks the content scale and the application takes over. Platform headers only.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "Classes/AppDelegate.h"
#include "Classes/Settings.h"
#include "Classes/play/GameClock.h"
#include "platform/app/Application.h"
#include "platform/media/Resources.h"
#include "platform/store/UserDefaults.h"

namespace {

constexpr int kLargestScale = 8;

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: spheron [--scale N]\n"
                 "       spheron --settings [KEY VALUE]\n"
                 "  --scale N          draw everything N times larger (default: the largest of\n"
                 "                     1, 2 or 3 at which the window fits the screen)\n"
                 "  --settings         list the settings with their current values\n"
                 "  --settings KEY VALUE\n"
                 "                     change a setting; it takes effect at the next start\n"
                 "Preferences are kept in %s\n",
                 UserDefaults::defaultPath().c_str());
}

bool parseScale(const char* text, int& scale) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!*text || *end != '\0' || value < 1 || value > kLargestScale) return false;
    scale = static_cast<int>(value);
    return true;
}

bool parsePoint(const char* text, Point& p) {
    char extra = 0;
    return std::sscanf(text, "%f,%f%c", &p.x, &p.y, &extra) == 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--settings") == 0) {
        const std::vector<std::string> words(argv + 2, argv + argc);
        return settingsCommand(words, UserDefaults::standardUserDefaults(), settingsFilePath(),
                               std::cout, std::cerr);
    }

    ApplicationOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        if (arg == "--report-first-frame") { // for the start-up benchmark
            options.reportFirstFrame = true;
            continue;
        }
        if (arg != "--scale" && arg != "--screenshot" && arg != "--screenshot-after" &&
            arg != "--click") {
            std::fprintf(stderr, "spheron: unknown option '%s'\n", arg.c_str());
            usage(stderr);
            return 2;
        }
        if (!value) {
            std::fprintf(stderr, "spheron: %s needs a value\n", arg.c_str());
            usage(stderr);
            return 2;
        }
        bool ok = true;
        if (arg == "--scale") {
            ok = parseScale(value, options.contentScale);
        } else if (arg == "--screenshot") { // for checking the looks: save and quit
            options.screenshotPath = value;
        } else if (arg == "--screenshot-after") { // seconds after the last click
            char* end = nullptr;
            options.screenshotDelay = std::strtod(value, &end);
            ok = *value && *end == '\0' && options.screenshotDelay >= 0.0 &&
                 options.screenshotDelay <= 600.0;
        } else { // --click X,Y in window points, before the screenshot
            Point p;
            ok = parsePoint(value, p);
            options.clicks.push_back(p);
        }
        if (!ok) {
            std::fprintf(stderr, "spheron: bad value '%s' for %s\n", value, arg.c_str());
            usage(stderr);
            return 2;
        }
        ++i;
    }
    // Without its resources the game would open a blank window with a line per missing file.
    if (const std::string problem = resourceDirectoryProblem(); !problem.empty()) {
        std::fprintf(stderr, "spheron: %s\n", problem.c_str());
        return 1;
    }
    setApplicationOptions(options);
    GameClock clock; // timed games count steady seconds, whatever the system clock does
    GameClock::install(&clock);
    registerApplicationDelegate("AppDelegate", &AppDelegate::create);
    const int status = UIApplicationMain(argc, argv, nullptr, "AppDelegate");
    GameClock::install(nullptr);
    return status;
}
