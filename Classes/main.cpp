// spheron: the game. `spheron --settings [KEY VALUE]` is the settings screen, `--version` says
// which; otherwise the command line picks the content scale, the board and a scripted run, and
// the application takes over. Platform headers only.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "Classes/AppDelegate.h"
#include "Classes/PuzzleView.h"
#include "desktop/play/GameClock.h"
#include "desktop/record/ScoreTables.h"
#include "desktop/record/Settings.h"
#include "desktop/scripted/ScriptedPlay.h"
#include "platform/app/Application.h"
#include "platform/base/Log.h"
#include "platform/base/Memory.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Translation.h"
#include "platform/media/Resources.h"
#include "platform/store/UserDefaults.h"

namespace {

constexpr int kLargestScale = 8;
constexpr double kLongestWait = 3600.0;

// One option's line: the name in a column of 21, its description's lines (split at '\n') indented
// to line up; a name too long for the column takes a line of its own.
void printOption(FILE* out, const char* name, const char* description) {
    constexpr int kColumn = 21;
    const int width = static_cast<int>(std::strlen(name)) + 2;
    bool first = true;
    if (width >= kColumn) {
        std::fprintf(out, "  %s\n", name);
        first = false;
    }
    for (const char* line = description; *line;) {
        const char* end = std::strchr(line, '\n');
        const int length = static_cast<int>(end ? end - line : std::strlen(line));
        if (first)
            std::fprintf(out, "  %-*s%.*s\n", kColumn - 2, name, length, line);
        else
            std::fprintf(out, "%*s%.*s\n", kColumn, "", length, line);
        first = false;
        line = end ? end + 1 : line + length;
    }
}

void usage(FILE* out) {
    // TRANSLATORS: the command lines of `spheron --help`; only "usage:" and the capital
    // letters' words may change, the options stay as they are. Keep the second lines' indent.
    std::fputs(_("usage: spheron [--scale N] [--window WxH] [--game N] [SCRIPT...]\n"
                 "       spheron --settings [KEY VALUE]\n"
                 "       spheron --scores\n"
                 "       spheron --version\n"),
               out);
    // TRANSLATORS: the descriptions of `spheron --help` are shown in a column of 58
    // characters: break longer lines with \n.
    printOption(out, "--scale N",
                _("draw everything N times larger (default: the largest of 1, 2\n"
                  "or 3 at which the window fits the screen; lowered to fit)"));
    printOption(out, "--window WxH",
                _("open the window at W x H pixels (320x400 to 8192x8192; default:\n"
                  "the size it was last resized to, else 320 x 480 points)"));
    printOption(out, "--game N",
                _("play board N (0 to 4294967295); the same number, the same board"));
    printOption(out, "--settings", _("list the settings with their current values"));
    printOption(out, "--settings KEY VALUE",
                _("change a setting; it takes effect at the next start"));
    printOption(out, "--scores", _("print the top ten scores of each game type"));
    printOption(out, "--version", _("print the version and quit"));
    // TRANSLATORS: the state line's words (state=, playing, paused, over, score=, best=, game=,
    // practice=) are read by scripts and stay in English.
    std::fputs(
        _("A script runs its steps in the order given on a simulated clock (20 ms a frame), then\n"
          "prints 'state=playing|paused|over score=S best=B game=N practice=0|1' and quits:\n"),
        out);
    printOption(out, "--click X,Y",
                _("click window point X,Y: the window's pixels over the scale\n"
                  "(0 <= X < 320, 0 <= Y < 480 unless --window says otherwise)"));
    printOption(out, "--key NAME",
                _("press a key (SDL's key names, with ctrl+ and shift+ prefixes;\n"
                  "kp_0 ... kp_9 and kp_enter for the keypad)"));
    printOption(out, "--pad NAME",
                _("press a button of a virtual game controller (SDL's names: a b x y\n"
                  "start back dpup dpdown dpleft dpright leftshoulder\n"
                  "rightshoulder lefttrigger righttrigger); unplug, plug"));
    printOption(out, "--play greedy[:N]",
                _("N moves (default: to the end) of a player that bursts the\n"
                  "largest group it can click, else turns the cube"));
    printOption(out, "--wait S", _("let S seconds of the game pass"));
    printOption(out, "--screenshot FILE", _("save the window as a PNG file when the script ends"));
    printOption(out, "--screenshot-after S",
                _("seconds between the last step and the end (default 2.5)"));
    // TRANSLATORS: %s is the preferences file's path.
    std::fprintf(out, _("Preferences are kept in %s\n"), UserDefaults::defaultPath().c_str());
}

bool parseScale(const char* text, int& scale) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!*text || *end != '\0' || value < 1 || value > kLargestScale) return false;
    scale = static_cast<int>(value);
    return true;
}

// A board number: the seed's 32 bits, written in decimal digits only.
bool parseGameNumber(const char* text, std::uint32_t& number) {
    if (!*text || std::strspn(text, "0123456789") != std::strlen(text)) return false;
    errno = 0;
    const unsigned long long value = std::strtoull(text, nullptr, 10);
    if (errno == ERANGE || value > UINT32_MAX) return false;
    number = static_cast<std::uint32_t>(value);
    return true;
}

// Seconds: finite, 0 ... kLongestWait.
bool parseSeconds(const char* text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text, &end);
    return *text && *end == '\0' && std::isfinite(seconds) && seconds >= 0.0 &&
           seconds <= kLongestWait;
}

// A point that may lie in a window: no NaN or infinity ever reaches the click's pixel
// arithmetic. Whether it lies in this run's window is known once its size is.
bool parsePoint(const char* text, Point& p) {
    char extra = 0;
    if (std::sscanf(text, "%f,%f%c", &p.x, &p.y, &extra) != 2) return false;
    constexpr auto kLargest = static_cast<float>(kMaxWindowSide);
    return std::isfinite(p.x) && std::isfinite(p.y) && p.x >= 0.0f && p.y >= 0.0f &&
           p.x < kLargest && p.y < kLargest;
}

// The size the player last resized the window to; a stored value that is no size is left
// alone (the next resize replaces it).
void useStoredWindowSize(ApplicationOptions& options) {
    const std::optional<std::string> stored =
        UserDefaults::standardUserDefaults().stringForKey(kWindowSize);
    if (stored && !parseWindowSize(*stored, &options.windowWidth, &options.windowHeight))
        std::fprintf(stderr,
                     "spheron: the stored %s '%s' is no size from %dx%d to %dx%d: "
                     "the window opens at its default size\n",
                     kWindowSize, shownValue(*stored).c_str(), kMinWindowWidth, kMinWindowHeight,
                     kMaxWindowSide, kMaxWindowSide);
}

// "greedy" or "greedy:N" with N >= 1; -1 moves: to the end.
bool parsePlay(const std::string& text, int& moves) {
    if (text == "greedy") {
        moves = -1;
        return true;
    }
    const std::string prefix = "greedy:";
    if (text.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string count = text.substr(prefix.size());
    if (count.empty() || count.size() > 6 || count.find_first_not_of("0123456789") != count.npos)
        return false;
    moves = std::atoi(count.c_str());
    return moves >= 1;
}

// What the command line said reaches the terminal escaped and cut, on one line.
// The running game's view, or nullptr before the window opens or after it closes.
PuzzleView* runningView() {
    Application* app = Application::sharedApplication();
    auto* delegate = app ? dynamic_cast<AppDelegate*>(app->delegate()) : nullptr;
    return delegate ? delegate->puzzleView() : nullptr;
}

// What a scripted run reads of the running game, asked of its view at each call.
ScriptedGame runningGame() {
    ScriptedGame game;
    game.running = [] { return runningView() != nullptr; };
    game.paused = [] { return runningView()->isPaused(); };
    game.practice = [] { return runningView()->isPractice(); };
    game.gameNumber = [] { return runningView()->gameNumber(); };
    game.frame = [] { return runningView()->convertRectToWindow(runningView()->bounds()); };
    game.contentScale = [] { return runningView()->contentScale(); };
    game.pickPixel = [](Point at, int* x, int* y) { runningView()->pickPixel(at, x, y); };
    game.makeCurrent = [] { runningView()->setCurrentContext(); };
    return game;
}

int refuse(const char* format, const std::string& a, const std::string& b = {}) {
    std::fputs("spheron: ", stderr);
    std::fprintf(stderr, format, shownValue(a).c_str(), shownValue(b).c_str());
    std::fputs(" (spheron --help lists the options)\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    keepFreedMemoryForReuse();
    startTranslation(localeDirectory());
    if (argc >= 2 && std::strcmp(argv[1], "--settings") == 0) {
        const std::vector<std::string> words(argv + 2, argv + argc);
        return settingsCommand(words, UserDefaults::standardUserDefaults(), settingsFilePath(),
                               std::cout, std::cerr);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--scores") == 0) { // reads the store, never writes
        if (argc > 2) return refuse("--scores takes nothing after it, not '%s'", argv[2]);
        return scoresCommand(UserDefaults::defaultPath(), std::cout, std::cerr);
    }

    ApplicationOptions options;
    std::optional<std::uint32_t> gameNumber;
    bool screenshotDelayGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("spheron %s\n", SPHERON_VERSION);
            return 0;
        }
        if (arg == "--report-first-frame") { // for the start-up benchmark
            options.reportFirstFrame = true;
            continue;
        }
        if (arg == "--settings" || arg == "--scores")
            return refuse("%s must come first: spheron %s ...", arg, arg);
        static const char* const withValue[] = {"--scale", "--window",     "--game",
                                                "--click", "--key",        "--play",
                                                "--wait",  "--screenshot", "--screenshot-after",
                                                "--pad"};
        bool known = false;
        for (const char* name : withValue)
            known = known || arg == name;
        if (!known) return refuse("unknown option '%s'", arg);
        if (i + 1 >= argc) return refuse("%s needs a value", arg);
        const char* value = argv[++i];
        bool ok = true;
        ScriptStep step;
        if (arg == "--scale") {
            ok = parseScale(value, options.contentScale);
        } else if (arg == "--window") {
            ok = parseWindowSize(value, &options.windowWidth, &options.windowHeight);
            if (!ok)
                return refuse("bad value '%s' for --window: W x H pixels, from 320x400 to "
                              "8192x8192, as in 900x900",
                              value);
        } else if (arg == "--game") {
            std::uint32_t n = 0;
            ok = parseGameNumber(value, n);
            gameNumber = n;
        } else if (arg == "--screenshot") {
            ok = *value != '\0';
            options.screenshotPath = value;
        } else if (arg == "--screenshot-after") {
            ok = parseSeconds(value, options.screenshotDelay);
            screenshotDelayGiven = true;
        } else if (arg == "--click") {
            step.kind = ScriptStep::Kind::Click;
            ok = parsePoint(value, step.point);
        } else if (arg == "--key") {
            step.kind = ScriptStep::Kind::Key;
            step.key = value;
            ok = scriptKeyIsValid(step.key);
        } else if (arg == "--pad") {
            step.kind = ScriptStep::Kind::Pad;
            step.key = value;
            ok = scriptPadIsValid(step.key);
        } else if (arg == "--wait") {
            step.kind = ScriptStep::Kind::Wait;
            ok = parseSeconds(value, step.seconds);
        } else { // --play
            int moves = 0;
            step.kind = ScriptStep::Kind::Play;
            ok = parsePlay(value, moves);
            if (ok) step.play = greedyPlayer(moves, runningGame());
        }
        if (!ok) return refuse("bad value '%s' for %s", value, arg);
        if (arg == "--click" || arg == "--key" || arg == "--wait" || arg == "--play" ||
            arg == "--pad")
            options.script.push_back(std::move(step));
    }
    if (screenshotDelayGiven && options.screenshotPath.empty())
        return refuse("--screenshot-after needs --screenshot FILE", "");
    if (options.isScripted()) {
        // The state line is the run's one line on standard output.
        options.scriptEnded = [] {
            std::printf("%s\n", scriptStateLine(runningGame()).c_str());
            std::fflush(stdout);
        };
        PuzzleView::setSolverAnswersBeforeNextFrame(true);
        // Nobody watches the frames of a script: the game view draws only for its picture.
        PuzzleView::setFramesUnseen(true);
        options.beforeScreenshot = [] {
            if (PuzzleView* view = runningView()) view->presentCurrentFrame();
        };
    }
    // Without its resources the game would open a blank window with a line per missing file.
    if (const std::string problem = resourceDirectoryProblem(); !problem.empty()) {
        std::fprintf(stderr, "spheron: %s\n", problem.c_str());
        return 1;
    }
    // A scripted run opens at the asked size or the default, so that its clicks and picture
    // do not depend on the player's last window.
    if (options.windowWidth == 0 && !options.isScripted()) useStoredWindowSize(options);
    setApplicationOptions(options);
    AppDelegate::setFirstGameNumber(gameNumber);
    // A script plays what it is given: the card for a new player would stand in its way.
    AppDelegate::setOffersHowToPlay(!options.isScripted());
    // Timed games count the main loop's seconds, steady whatever the system clock does, and
    // simulated in a scripted run.
    GameClock clock(static_cast<std::int64_t>(std::time(nullptr)), [] {
        return std::chrono::duration<double>(RunLoop::main().loopTime().time_since_epoch()).count();
    });
    GameClock::install(&clock);
    registerApplicationDelegate("AppDelegate", &AppDelegate::create);
    const int status = UIApplicationMain(argc, argv, nullptr, "AppDelegate");
    GameClock::install(nullptr);
    // A scripted run says when its result did not reach the store.
    if (options.isScripted() && UserDefaults::standardUserDefaults().failedSaves() > 0) {
        std::fprintf(stderr,
                     "spheron: the result was not kept: preferences could not be "
                     "written to %s\n",
                     escapeControlCharacters(UserDefaults::defaultPath()).c_str());
        return status == 0 ? 1 : status;
    }
    return status;
}
