// Cost of the game view's frame on Mesa's software renderer: one tick that updates, draws and
// presents, at scale 1 and 2, with a group selected (it pulses) and while a burst group's
// neighbours fall; the loading of all textures; the tick with nothing drawn. llvmpipe draws on
// threads of its own in a large window, so each figure comes with the CPU time of the whole
// process per frame.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Classes/PuzzleView.h"
#include "model/Puzzle.h"
#include "platform/base/Memory.h"
#include "platform/gl/GLExtensions.h"
#include "platform/gl/GLLayer.h"
#include "platform/gl/Screen.h"
#include "platform/media/SystemSound.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "render/Textures.h"
#include "sim/Boards.h"

namespace {

using Clock = std::chrono::steady_clock;

double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// VmRSS and VmHWM of this process, MiB.
void residentMiB(double* rss, double* hwm) {
    std::ifstream in("/proc/self/status");
    std::string key;
    double kib = 0;
    *rss = *hwm = 0;
    while (in >> key) {
        if (key == "VmRSS:" && in >> kib) *rss = kib / 1024.0;
        if (key == "VmHWM:" && in >> kib) *hwm = kib / 1024.0;
    }
}

// The window and game view as the game lays them out in its 320 x 480 point window: the view
// between the two 44-point bars. One at a time; a new scale closes the screen and opens another.
struct Stage {
    int scale = 0;
    std::unique_ptr<Window> window;
    std::unique_ptr<PuzzleView> view;
    int presents = 0; // compositions of the window, one per presented frame
    int hook = 0;

    bool open(int s) {
        if (scale == s && view) return true;
        close();
        ScreenOptions options;
        options.title = "bench";
        options.widthPx = 320 * s;
        options.heightPx = 480 * s;
        options.visible = false;
        if (!screenOpen(options)) return false;
        View::setDefaultContentScale(static_cast<float>(s));
        windowSetContentScale(static_cast<float>(s));
        window = Window::initWithFrame({{0, 0}, {320, 480}});
        view = PuzzleView::initWithFrame({{0, 44}, {320, 392}});
        if (!view) return false;
        window->addSubview(view.get());
        window->makeKeyAndVisible();
        hook = windowAddWillCompose([this] { ++presents; });
        scale = s;
        return true;
    }
    // The view draws the game, not only the white it starts from. Only once the figures are
    // taken: after a read-back, every later frame at scale 1 costs llvmpipe about four times the
    // CPU (most of it copying into freshly allocated memory).
    bool shows() {
        view->setNeedsDisplay();
        view->drawView();
        std::vector<std::uint8_t> rgba;
        if (!view->readPixels(rgba) || rgba.empty()) return false;
        for (std::size_t i = 0; i + 2 < rgba.size(); i += 4)
            if (rgba[i] < 200 || rgba[i + 1] < 200 || rgba[i + 2] < 200) return true;
        return false;
    }
    void close() {
        if (hook) windowRemoveWillCompose(hook);
        hook = 0;
        view.reset();
        window.reset();
        if (screenIsOpen()) screenClose();
        scale = 0;
    }
    // Waits until the renderer has done all the GL work of the frame: the view's and the
    // compositor's, which draws with the screen's own context.
    void finish() {
        screenMakeDefaultCurrent();
        glFinish();
        view->setCurrentContext();
        glFinish();
    }
};

Stage& stage() {
    static Stage s;
    return s;
}

constexpr long kSeed = 7; // any board does; a fixed one keeps runs comparable
enum BoardState { kPulsing = 0, kFalling = 1, kTurning = 2 };
const char* const kStateNames[] = {"pulsing", "falling", "turning"};

// Bursts, their clouds or bubbles on their way to a cell are still showing.
bool animating(const Puzzle& p) {
    if (p.flags & (kPuzzleBusy | kPuzzleStarting)) return true;
    for (const Block& b : p.blocks)
        if (b.state.flags & (kBlockBursting | kBlockMoving | kBlockFalling)) return true;
    return false;
}

int movingBubbles(const Puzzle& p) {
    int n = 0;
    for (const Block& b : p.blocks)
        n += (b.state.flags & (kBlockMoving | kBlockFalling)) ? 1 : 0;
    return n;
}

// The cell whose group, selected, pulses the most bubbles (pick == kPulsing), or, burst, keeps
// the most bubbles falling for the most frames (pick == kFalling).
int chosenCell(long seed, BoardState pick) {
    auto p = std::make_unique<Puzzle>();
    int best = 0;
    long bestValue = 0;
    for (int i = 0; i < kNumBlocks; ++i) {
        makeRestingBoard(p.get(), seed);
        selectBlock(p.get(), &p->blocks[i]);
        long value = p->selectScore;
        if (pick == kFalling && value > 0) {
            selectBlock(p.get(), &p->blocks[i]);
            value = 0;
            for (int frame = 0; frame < 1000 && animating(*p); ++frame) {
                updatePuzzle(p.get());
                value += movingBubbles(*p);
            }
        }
        if (value > bestValue) {
            bestValue = value;
            best = i;
        }
    }
    resetGameGlobals(); // the trial bursts asked for sounds
    return best;
}

// The board at rest with a group selected, or just burst: its clouds show, then the bubbles
// above it fall.
// Or turned a quarter to the left: every bubble moves, and each frame is drawn whole.
void setUpBoard(Puzzle* p, BoardState state) {
    checkSolution = 0; // a solver run has a thread of its own and is not part of a frame
    makeRestingBoard(p, kSeed);
    if (state == kTurning) {
        rotatePuzzle(p, 0);
        return;
    }
    static const int cells[] = {chosenCell(kSeed, kPulsing), chosenCell(kSeed, kFalling)};
    const int cell = cells[state];
    selectBlock(p, &p->blocks[cell]);
    if (state == kFalling) selectBlock(p, &p->blocks[cell]);
}

bool atRest(const Puzzle& p) {
    return !animating(p);
}

// One tick of the game view as its timer runs it, and the renderer waited for.
void BM_DrawnFrame(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    const auto board = static_cast<BoardState>(state.range(1));
    state.SetLabel(kStateNames[board]);
    Stage& s = stage();
    if (!s.open(scale)) {
        state.SkipWithError("no OpenGL ES 1.1 screen");
        return;
    }
    resetGameGlobals();
    setUpBoard(&puzzle, board);
    s.presents = 0;
    double cpu = 0;
    double wall = 0;
    double redrawn = 0; // pixels
    long frames = 0;
    long bursts = 1;
    for (auto _ : state) {
        if (board != kPulsing && atRest(puzzle)) {
            state.PauseTiming();
            setUpBoard(&puzzle, board);
            ++bursts;
            state.ResumeTiming();
        }
        const double c0 = processCpuMs();
        const auto t0 = Clock::now();
        s.view->drawView(); // the picture moves in every frame of these states
        s.finish();
        redrawn += static_cast<double>(s.view->sceneFrames().redrawnPixels());
        wall += std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        cpu += processCpuMs() - c0;
        ++frames;
    }
    if (s.presents == 0) {
        state.SkipWithError("no tick presented a frame");
        return;
    }
    double rss = 0;
    double hwm = 0;
    residentMiB(&rss, &hwm);
    state.counters["cpu_ms"] = frames ? cpu / static_cast<double>(frames) : 0.0;
    const Size pixels = s.view->surfaceSize();
    state.counters["redrawn"] =
        frames ? redrawn / static_cast<double>(frames) / (pixels.width * pixels.height) : 0.0;
    state.counters["drawn"] =
        frames ? static_cast<double>(s.presents) / static_cast<double>(frames) : 0.0;
    state.counters["wall_ms"] = frames ? wall / static_cast<double>(frames) : 0.0;
    state.counters["frames_per_burst"] =
        board != kPulsing ? static_cast<double>(frames) / static_cast<double>(bursts) : 0.0;
    state.counters["rss_MiB"] = rss;
    state.counters["hwm_MiB"] = hwm;
}
BENCHMARK(BM_DrawnFrame)
    ->Args({1, kPulsing})
    ->Args({1, kFalling})
    ->Args({2, kPulsing})
    ->Args({2, kFalling})
    ->Args({1, kTurning})
    ->Args({2, kTurning})
    ->Args({3, kTurning})
    ->ArgNames({"scale", "state"})
    ->Unit(benchmark::kMillisecond);

// All textures, drawn for the scale, decoded and uploaded with their smaller levels.
void BM_LoadTextures(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    Stage& s = stage();
    if (!s.open(scale)) {
        state.SkipWithError("no OpenGL ES 1.1 screen");
        return;
    }
    s.view->setCurrentContext();
    double cpu = 0;
    long loads = 0;
    for (auto _ : state) {
        state.PauseTiming();
        deleteTextures();
        state.ResumeTiming();
        const double c0 = processCpuMs();
        loadTextures(static_cast<float>(scale));
        glFinish();
        cpu += processCpuMs() - c0;
        ++loads;
    }
    if (bgTexId == 0 || spotTexId == 0) state.SkipWithError("a texture did not load");
    state.counters["cpu_ms"] = loads ? cpu / static_cast<double>(loads) : 0.0;
}
BENCHMARK(BM_LoadTextures)->Arg(1)->Arg(2)->ArgName("scale")->Unit(benchmark::kMillisecond);

// The game view's tick as a scripted run makes it: the frame update, the game's bookkeeping and
// the sounds, nothing drawn.
void BM_TickWithoutDrawing(benchmark::State& state) {
    const auto board = static_cast<BoardState>(state.range(0));
    state.SetLabel(kStateNames[board]);
    Stage& s = stage();
    if (!s.open(1)) {
        state.SkipWithError("no OpenGL ES 1.1 screen");
        return;
    }
    resetGameGlobals();
    setUpBoard(&puzzle, board);
    PuzzleView::setFramesUnseen(true);
    s.presents = 0;
    for (auto _ : state) {
        if (board != kPulsing && atRest(puzzle)) {
            state.PauseTiming();
            setUpBoard(&puzzle, board);
            state.ResumeTiming();
        }
        s.view->drawView();
    }
    PuzzleView::setFramesUnseen(false);
    if (s.presents != 0) state.SkipWithError("a tick drew");
}
BENCHMARK(BM_TickWithoutDrawing)
    ->Arg(kPulsing)
    ->Arg(kFalling)
    ->ArgName("state")
    ->Unit(benchmark::kMicrosecond);

// The model's frame update alone, on a board of its own: no view, no GL.
void BM_UpdatePuzzle(benchmark::State& state) {
    const auto board = static_cast<BoardState>(state.range(0));
    state.SetLabel(kStateNames[board]);
    resetGameGlobals();
    auto p = std::make_unique<Puzzle>();
    setUpBoard(p.get(), board);
    for (auto _ : state) {
        if (board == kFalling && atRest(*p)) {
            state.PauseTiming();
            setUpBoard(p.get(), board);
            state.ResumeTiming();
        }
        updatePuzzle(p.get());
        benchmark::DoNotOptimize(p->flags);
    }
    resetGameGlobals();
}
BENCHMARK(BM_UpdatePuzzle)
    ->Arg(kPulsing)
    ->Arg(kFalling)
    ->ArgName("state")
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    keepFreedMemoryForReuse(); // as the game does
    // Before SDL opens anything: no display, no sound card, and a store of our own.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    char folder[] = "/tmp/spheron-bench-frame-XXXXXX";
    const bool scratch = mkdtemp(folder) != nullptr;
    if (scratch)
        setenv("SPHERON_PREFERENCES", (std::filesystem::path(folder) / "preferences.plist").c_str(),
               1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    int status = 0;
    if (stage().open(1) && !stage().shows()) {
        std::fputs("bench_frame: the game view drew nothing: the frames above are empty\n", stderr);
        status = 1;
    }
    stage().close();
    systemSoundShutdown();
    if (scratch) {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    return status;
}
