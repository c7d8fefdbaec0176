// spheron-shot: plays a scripted moment of the real game offscreen and saves the game view as a
// PNG. Options run in the order given, so a script reads like the moves of a player.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Classes/PuzzleView.h"
#include "math/Camera.h"
#include "model/Puzzle.h"
#include "platform/base/Memory.h"
#include "platform/gl/Screen.h"
#include "platform/media/PngWriter.h"
#include "render/BlockPicking.h"

namespace {

// The game view's frame in the 320 x 480 window: between its bars.
constexpr float kViewWidth = 320.0f;
constexpr float kViewHeight = 372.4f;

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: spheron-shot [--scale K] [--seed S] [--hints 0|1] [--out FILE] SCRIPT...\n"
                 "SCRIPT, run in order:\n"
                 "  --frames N        run N frame ticks (default at the end: 60 if none were run)\n"
                 "  --tap CELL        tap the bubble of cell 0..124\n"
                 "  --tap-at X,Y      tap the view point (X, Y), origin at the top-left\n"
                 "  --turn DIR        turn the cube: left, right, up or down\n");
}

bool parseInt(const char* text, int lo, int hi, int* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!text[0] || *end != '\0' || v < lo || v > hi) return false;
    *out = static_cast<int>(v);
    return true;
}

struct Step {
    enum Kind { Frames, Tap, TapAt, Turn } kind;
    int a = 0;
    float x = 0, y = 0;
};

} // namespace

int main(int argc, char** argv) {
    keepFreedMemoryForReuse(); // as the game does
    int scale = 1, seed = 1, hints = 1;
    std::string out = "spheron.png";
    std::vector<Step> script;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        const char* v = i + 1 < argc ? argv[++i] : nullptr;
        bool ok = v != nullptr;
        Step step{Step::Frames};
        if (!ok) {
        } else if (arg == "--scale") {
            ok = parseInt(v, 1, 4, &scale);
        } else if (arg == "--seed") {
            ok = parseInt(v, 0, 0x7FFFFFFF, &seed);
        } else if (arg == "--hints") {
            ok = parseInt(v, 0, 1, &hints);
        } else if (arg == "--out") {
            out = v;
        } else if (arg == "--frames") {
            ok = parseInt(v, 0, 1000000, &step.a);
            script.push_back(step);
        } else if (arg == "--tap") {
            step.kind = Step::Tap;
            ok = parseInt(v, 0, kNumBlocks - 1, &step.a);
            script.push_back(step);
        } else if (arg == "--tap-at") {
            step.kind = Step::TapAt;
            ok = std::sscanf(v, "%f,%f", &step.x, &step.y) == 2;
            script.push_back(step);
        } else if (arg == "--turn") {
            step.kind = Step::Turn;
            const char* names[] = {"left", "right", "up", "down"};
            ok = false;
            for (int d = 0; d < 4; ++d) {
                if (std::strcmp(v, names[d]) == 0) {
                    step.a = d;
                    ok = true;
                }
            }
            script.push_back(step);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "spheron-shot: bad argument '%s%s%s'\n", arg.c_str(), v ? " " : "",
                         v ? v : "");
            usage(stderr);
            return 2;
        }
    }
    bool ranFrames = false;
    for (const Step& s : script) ranFrames = ranFrames || s.kind == Step::Frames;
    if (!ranFrames) script.push_back(Step{Step::Frames, 60});

    ScreenOptions options;
    options.widthPx = static_cast<int>(kViewWidth) * scale;
    options.heightPx = 480 * scale;
    options.visible = false;
    if (!screenOpen(options)) {
        std::fprintf(stderr, "spheron-shot: no OpenGL ES 1.1 screen (see the line above)\n");
        return 1;
    }
    View::setDefaultContentScale(static_cast<float>(scale));
    std::unique_ptr<PuzzleView> view = PuzzleView::initWithFrame({{0, 0}, {kViewWidth, kViewHeight}});
    if (!view) {
        screenClose();
        std::fprintf(stderr, "spheron-shot: cannot create the game view\n");
        return 1;
    }
    hintState = hints;
    initPuzzleWithSeed(&puzzle, seed);

    for (const Step& s : script) {
        switch (s.kind) {
        case Step::Frames:
            for (int f = 0; f < s.a; ++f) view->drawFrame();
            break;
        case Step::Tap:
            selectBlock(&puzzle, &puzzle.blocks[s.a]);
            break;
        case Step::TapAt: {
            // Touches are in points from the top-left; picking wants bottom-left surface pixels.
            view->setCurrentContext();
            const int x = static_cast<int>(s.x * static_cast<float>(scale));
            const int y = static_cast<int>((view->bounds().size.height - s.y) * static_cast<float>(scale));
            if (Block* b = pickBlock(x, y, &puzzle, eyePos)) selectBlock(&puzzle, b);
            break;
        }
        case Step::Turn:
            rotatePuzzle(&puzzle, s.a);
            break;
        }
    }

    std::vector<std::uint8_t> rgba;
    const bool read = view->readPixels(rgba);
    const int width = static_cast<int>(view->surfaceSize().width);
    const int height = static_cast<int>(view->surfaceSize().height);
    for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255; // the screen is opaque
    const bool written = read && writePngFile(out, rgba.data(), width, height);
    view.reset();
    screenClose();
    if (!written) return 1;
    std::printf("%s: %dx%d, score %u\n", out.c_str(), width, height, puzzle.score);
    return 0;
}
