// The game globals and the hooks through which the model reaches the platform (clock,
// system sounds, memory). Standard library only.
#include "model/Puzzle.h"

#include <cstdlib>
#include <ctime>

Puzzle puzzle;

int checkSolution = 1;
int solveRequest = 0;
int opRunning = 0;
int quitRequest = 0;
int popSndRequest = 0;
int dropSndRequest = 0;
int cheerSndRequest = 0;
int rejectSndRequest = 0;
int startSndRequest = 0;
int warnSndRequest = 0;
int highScoreSndRequest = 0;
int gameType = 0;
int hintState = 1;
int sfxState = 1;
unsigned int highScore = 0;
Block* blocksPtr = nullptr;

void resetGameGlobals() {
    checkSolution = 1;
    solveRequest = opRunning = quitRequest = 0;
    popSndRequest = dropSndRequest = cheerSndRequest = rejectSndRequest = 0;
    startSndRequest = warnSndRequest = highScoreSndRequest = 0;
    gameType = 0;
    hintState = sfxState = 1;
    highScore = 0;
    blocksPtr = nullptr;
}

namespace {
PuzzleClock clockHook = nullptr;
SystemSoundHandler systemSoundHook = nullptr;
ModelRealloc reallocHook = nullptr;
ModelFree freeHook = nullptr;
} // namespace

void setPuzzleClock(PuzzleClock clock) { clockHook = clock; }

std::int64_t puzzleTime() {
    if (clockHook) return clockHook();
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::int64_t elapsedSeconds(std::int32_t startTime, std::int64_t now) {
    // startTime keeps only the low 32 bits of the calendar time. The difference taken modulo
    // 2^32 is right for any game shorter than 68 years, also when 2^31 lies in between.
    const auto diff = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now) -
                                                 static_cast<std::uint32_t>(startTime));
    return static_cast<std::int32_t>(diff);
}

void setSystemSoundHandler(SystemSoundHandler handler) { systemSoundHook = handler; }

void AudioServicesPlaySystemSound(std::uint32_t soundId) {
    if (systemSoundHook) systemSoundHook(soundId);
}

void setModelRealloc(ModelRealloc fn) { reallocHook = fn; }

void* modelRealloc(void* p, std::size_t size) {
    if (reallocHook) return reallocHook(p, size);
    return std::realloc(p, size);
}

void setModelFree(ModelFree fn) { freeHook = fn; }

void modelFree(void* p) {
    if (freeHook) freeHook(p);
    else std::free(p);
}
