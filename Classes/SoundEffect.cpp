// Sound effects with a limit of overlapping plays, and the game's seven sounds driven by the
// model's request flags. Uses the system-sound service, the resources and the log; no SDL.
#include "Classes/SoundEffect.h"

#include <cstdio>
#include <cstdlib>

#include "model/Puzzle.h"
#include "platform/base/Log.h"
#include "platform/media/Resources.h"
#include "platform/media/SystemSound.h"

namespace {

// Internal preconditions, checked in every build type (NDEBUG or not): a broken counter would
// silence a sound for good, so stop at once and say where.
[[noreturn]] void assertionFailed(const char* condition, const char* routine, const char* file,
                                  int line) {
    std::fprintf(stderr, "*** Assertion failure in %s, %s:%d: %s\n", routine, file, line,
                 condition);
    std::fflush(stderr);
    std::abort();
}

#define SOUND_ASSERT(condition, routine)                                                           \
    ((condition) ? static_cast<void>(0) : assertionFailed(#condition, routine, __FILE__, __LINE__))

struct SoundRow {
    std::unique_ptr<SoundEffect> GameSounds::*sound;
    int* request;
    const char* resource; // file name without the "caf" extension
};

// Play order within one tick.
const SoundRow kSoundRows[] = {
    {&GameSounds::popSound, &popSndRequest, "pop"},
    {&GameSounds::dropSound, &dropSndRequest, "Select"},
    {&GameSounds::cheerSound, &cheerSndRequest, "whistle_shrill_x"},
    {&GameSounds::rejectSound, &rejectSndRequest, "cowbell"},
    {&GameSounds::startSound, &startSndRequest, "Comedy Bubbles"},
    {&GameSounds::warnSound, &warnSndRequest, "timer"},
    {&GameSounds::highScoreSound, &highScoreSndRequest, "Crowd_cheer6"},
};

// Pops and drops come in bursts; every other sound plays one at a time.
constexpr std::uint32_t kBurstSoundLimit = 5;

} // namespace

std::unique_ptr<SoundEffect> SoundEffect::soundEffectWithContentsOfFile(const std::string& path) {
    if (path.empty()) return nullptr;
    return initWithContentsOfFile(path);
}

std::unique_ptr<SoundEffect> SoundEffect::initWithContentsOfFile(const std::string& path) {
    // A path that no file URL can be made of: none at all, or one with a NUL inside.
    if (path.empty() || path.find('\0') != std::string::npos) {
        platformLog("NSURL is nil for path: %s (%s)", path.c_str(),
                    path.empty() ? "no path given" : "the path holds a NUL byte");
        return nullptr;
    }
    SystemSoundID soundID = 0;
    if (const int error = systemSoundCreate(path, &soundID)) {
        platformLog("Error %d loading sound at path: %s (%s)", error, path.c_str(),
                    systemSoundErrorText(error));
        return nullptr;
    }
    std::unique_ptr<SoundEffect> effect(new SoundEffect);
    effect->_soundID = soundID;
    effect->_soundCounter = 0;
    effect->_maxNumOfConcurrentSounds = 1;
    systemSoundAddCompletion(soundID, soundCompletionCallback, effect.get());
    return effect;
}

SoundEffect::~SoundEffect() {
    if (_soundID != 0) systemSoundDispose(_soundID);
}

void SoundEffect::play() {
    std::lock_guard lock(_lock);
    if (_soundCounter < _maxNumOfConcurrentSounds) {
        systemSoundPlay(_soundID);
        ++_soundCounter;
    }
}

void SoundEffect::setMaximumNumberOfConcurrentSounds(std::uint32_t count) {
    std::lock_guard lock(_lock);
    SOUND_ASSERT(count > 0, "-[SoundEffect setMaximumNumberOfConcurrentSounds:]");
    _maxNumOfConcurrentSounds = count;
}

void SoundEffect::decrementSoundCounter() {
    std::lock_guard lock(_lock);
    SOUND_ASSERT(_soundCounter > 0, "-[SoundEffect decrementSoundCounter]");
    --_soundCounter;
}

std::uint32_t SoundEffect::soundCounter() const {
    std::lock_guard lock(_lock);
    return _soundCounter;
}

std::uint32_t SoundEffect::maximumNumberOfConcurrentSounds() const {
    std::lock_guard lock(_lock);
    return _maxNumOfConcurrentSounds;
}

void soundCompletionCallback(std::uint32_t /*soundID*/, void* clientData) {
    static_cast<SoundEffect*>(clientData)->decrementSoundCounter();
}

void loadSoundEffects(GameSounds& sounds) {
    for (const SoundRow& row : kSoundRows) {
        const std::string file = std::string(row.resource) + ".caf";
        std::string whyNot;
        const std::string path = resourcePath(file, &whyNot);
        if (path.empty()) // name the sound that is missing, not an empty path
            platformLog("NSURL is nil for path: %s (%s)", file.c_str(), whyNot.c_str());
        sounds.*row.sound = path.empty() ? nullptr : SoundEffect::initWithContentsOfFile(path);
    }
    if (sounds.popSound) sounds.popSound->setMaximumNumberOfConcurrentSounds(kBurstSoundLimit);
    if (sounds.dropSound) sounds.dropSound->setMaximumNumberOfConcurrentSounds(kBurstSoundLimit);
}

void playSounds(GameSounds& sounds) {
    if (sfxState == 0) {
        // Requests made while sound effects are off are dropped, not kept for later.
        for (const SoundRow& row : kSoundRows)
            *row.request = 0;
        return;
    }
    for (const SoundRow& row : kSoundRows) {
        if (*row.request == 0) continue;
        if (const auto& sound = sounds.*row.sound) sound->play();
        *row.request = 0;
    }
}
