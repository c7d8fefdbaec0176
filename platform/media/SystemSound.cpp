// System sounds on SDL_mixer: files decoded by libsndfile and converted to the mixer's format,
// one channel per play, the mixer's finish notice turned into a completion on the main run loop.
// The audio device is open only while sounds are near: a play opens it, and a few seconds after
// the last play ends it closes with SDL's audio subsystem, so that nothing of ours, SDL's or the
// sound server's wakes in silence. The mixer's format is fixed, so that sounds converted while
// the device was closed play as they are whenever it opens.
// Lock order: the service's mutex, then SDL's audio lock, then the channel table's mutex.
#include "platform/media/SystemSound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"

namespace {

constexpr int kMaxChannels = 256;      // far above what a game overlaps; beyond it plays are silent
constexpr int kMaxFileChannels = 8;    // what SDL's converter takes
constexpr int kMaxSampleRate = 384000; // keeps the size arithmetic small
constexpr Uint16 kRumbleStrength = 0xC000;
constexpr Uint32 kRumbleMs = 400;
// What every sound is converted to and what the device is opened with (SDL converts for a device
// that wants something else).
constexpr int kMixFrequency = MIX_DEFAULT_FREQUENCY;
constexpr Uint16 kMixFormat = AUDIO_S16SYS;
constexpr int kMixChannels = 2;
constexpr int kMixBufferFrames = 1024;
// Silence after which the device closes. Long enough that a burst following its selection, or a
// run of moves, finds the device open; short next to a pause of the player's.
constexpr double kDefaultIdleCloseSeconds = 5.0;

// Closed: not open now, opened by the next play. Silent: the device could not be opened; plays
// complete at once without a sound and nothing tries again until systemSoundShutdown().
enum class Audio { Closed, Open, Silent };

struct Sound {
    Mix_Chunk* chunk = nullptr; // nullptr while silent
    SystemSoundCompletion completion = nullptr;
    void* clientData = nullptr;
};

struct Service {
    std::mutex mutex; // everything below
    std::unordered_map<SystemSoundID, Sound> sounds;
    SystemSoundID nextId = 1; // never reused, so a late completion cannot reach a newer sound
    Audio audio = Audio::Closed;
    bool startedAudioSubsystem = false;
    bool paused = false;
    double idleCloseSeconds = kDefaultIdleCloseSeconds;
    std::uint64_t plays = 0; // heard plays started; a close waits for the last one's silence
    int channelsAllocated = 0;
    SystemSoundPlayObserver observer = nullptr;
    bool controllersTried = false;
    bool startedControllerSubsystem = false;
    std::vector<SDL_GameController*> rumbling;
};

Service& service() {
    static Service* const s = new Service; // never destroyed: the mixer may call back at exit
    return *s;
}

// Which sound each mixer channel plays: set by the playing thread before the play starts,
// taken by the mixer's finish notice on the audio thread.
std::mutex channelMutex;
SystemSoundID channelOwner[kMaxChannels] = {};

std::atomic<int> vibrations{0};

void closeWhenIdle();

void deliverCompletion(SystemSoundID id) {
    SystemSoundCompletion completion = nullptr;
    void* clientData = nullptr;
    {
        Service& s = service();
        std::lock_guard lock(s.mutex);
        auto it = s.sounds.find(id);
        if (it == s.sounds.end()) return; // disposed since the play ended
        completion = it->second.completion;
        clientData = it->second.clientData;
    }
    if (completion) completion(id, clientData);
    closeWhenIdle();
}

void postCompletion(SystemSoundID id) {
    RunLoop::main().post([id] { deliverCompletion(id); });
}

// Audio thread (or a thread halting a channel), with SDL's audio lock held: no mixer calls here.
void channelFinished(int channel) {
    if (channel < 0 || channel >= kMaxChannels) return;
    SystemSoundID id = 0;
    {
        std::lock_guard lock(channelMutex);
        id = channelOwner[channel];
        channelOwner[channel] = 0;
    }
    if (id != 0) postCompletion(id);
}

SystemSoundID channelOwnerOf(int channel) {
    std::lock_guard lock(channelMutex);
    return channelOwner[channel];
}

void setChannelOwner(int channel, SystemSoundID id) {
    std::lock_guard lock(channelMutex);
    channelOwner[channel] = id;
}

// Without a sound card alsa-lib writes eight lines of its own to stderr before SDL gives up; the
// service says it in one. While it lives, alsa-lib's error output goes nowhere. Reached through
// dlopen, so that the game does not link ALSA, and only when SDL may open the device with it.
class QuietAlsa {
public:
    QuietAlsa() {
        std::string driver = std::getenv("SDL_AUDIODRIVER") ? std::getenv("SDL_AUDIODRIVER") : "";
        for (char& c : driver)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!driver.empty() && driver.find("alsa") == std::string::npos) return;
        library_ = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!library_) return; // no ALSA, no chatter
        setHandler_ = reinterpret_cast<SetHandler>(dlsym(library_, "snd_lib_error_set_handler"));
        if (setHandler_) setHandler_(dropAlsaError);
    }
    ~QuietAlsa() {
        if (setHandler_) setHandler_(nullptr); // alsa-lib's own handler again
        if (library_) dlclose(library_);
    }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

private:
    using Handler = void (*)(const char* file, int line, const char* function, int err,
                             const char* format, ...);
    using SetHandler = int (*)(Handler);
    static void dropAlsaError(const char*, int, const char*, int, const char*, ...) {}
    void* library_ = nullptr;
    SetHandler setHandler_ = nullptr;
};

// Under the service's mutex. Opens the device once; a failure makes the service silent.
void openAudio(Service& s) {
    if (s.audio != Audio::Closed) return;
    const QuietAlsa quiet;
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            platformLog("no audio device (%s): sounds are silent", SDL_GetError());
            s.audio = Audio::Silent;
            return;
        }
        s.startedAudioSubsystem = true;
    }
    if (Mix_OpenAudioDevice(kMixFrequency, kMixFormat, kMixChannels, kMixBufferFrames, nullptr,
                            0) != 0) {
        platformLog("no audio device (%s): sounds are silent", Mix_GetError());
        if (s.startedAudioSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        s.startedAudioSubsystem = false;
        s.audio = Audio::Silent;
        return;
    }
    s.channelsAllocated = std::min(Mix_AllocateChannels(-1), kMaxChannels);
    {
        std::lock_guard lock(channelMutex);
        std::fill(std::begin(channelOwner), std::end(channelOwner), 0);
    }
    Mix_ChannelFinished(channelFinished);
    if (s.paused) Mix_Pause(-1);
    s.audio = Audio::Open;
}

// Under the service's mutex: the device and SDL's audio subsystem go; the sounds stay converted.
void closeAudio(Service& s) {
    if (s.audio == Audio::Open) {
        Mix_HaltChannel(-1);
        Mix_ChannelFinished(nullptr);
        Mix_CloseAudio();
    }
    {
        std::lock_guard lock(channelMutex);
        std::fill(std::begin(channelOwner), std::end(channelOwner), 0);
    }
    if (s.startedAudioSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    s.startedAudioSubsystem = false;
    if (s.audio == Audio::Open) s.audio = Audio::Closed;
    s.channelsAllocated = 0;
}

bool anyChannelBusy(const Service& s) {
    std::lock_guard lock(channelMutex);
    return std::any_of(std::begin(channelOwner), std::begin(channelOwner) + s.channelsAllocated,
                       [](SystemSoundID id) { return id != 0; });
}

// Main thread: once `seconds` pass after a play ends with no play after it and nothing under way
// (a paused play is under way), the device closes. One timer at a time; a later end restarts it.
std::shared_ptr<RunLoopTimer> idleCloseTimer;
void closeWhenIdle() {
    Service& s = service();
    double seconds = 0;
    std::uint64_t playsSoFar = 0;
    {
        std::lock_guard lock(s.mutex);
        if (s.audio != Audio::Open) return;
        seconds = s.idleCloseSeconds;
        playsSoFar = s.plays;
    }
    if (idleCloseTimer) idleCloseTimer->invalidate();
    idleCloseTimer = RunLoop::main().scheduleRepeatingTimer(seconds, [playsSoFar] {
        idleCloseTimer->invalidate();
        Service& svc = service();
        std::lock_guard lock(svc.mutex);
        if (svc.audio != Audio::Open || svc.plays != playsSoFar || svc.paused) return;
        if (anyChannelBusy(svc) || Mix_Playing(-1) != 0) return; // its end starts the wait again
        closeAudio(svc);
    });
}

struct Decoded {
    std::vector<std::int16_t> samples; // interleaved
    int channels = 0;
    int rate = 0;
};

int decode(const std::string& path, Decoded& out) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return kSystemSoundFileNotFound;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return kSystemSoundUnsupportedFile;
    int result = kSystemSoundNoError;
    if (info.frames <= 0 || info.channels <= 0 || info.channels > kMaxFileChannels ||
        info.samplerate <= 0 || info.samplerate > kMaxSampleRate) {
        result = kSystemSoundUnsupportedFile;
    } else if (static_cast<double>(info.frames) > kSystemSoundMaxSeconds * info.samplerate) {
        result = kSystemSoundTooLong;
    } else {
        out.channels = info.channels;
        out.rate = info.samplerate;
        out.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
        const sf_count_t got = sf_readf_short(file, out.samples.data(), info.frames);
        if (got <= 0)
            result = kSystemSoundUnsupportedFile;
        else
            out.samples.resize(static_cast<std::size_t>(got * info.channels));
    }
    sf_close(file);
    return result;
}

// A chunk in the mixer's format that Mix_FreeChunk frees whole (buffer and all).
Mix_Chunk* makeChunk(const Decoded& d) {
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, AUDIO_S16SYS, static_cast<Uint8>(d.channels), d.rate, kMixFormat,
                          kMixChannels, kMixFrequency) < 0)
        return nullptr;
    const std::size_t bytes = d.samples.size() * sizeof(std::int16_t);
    cvt.len = static_cast<int>(bytes);
    cvt.buf = static_cast<Uint8*>(SDL_malloc(bytes * static_cast<std::size_t>(cvt.len_mult)));
    if (!cvt.buf) return nullptr;
    std::memcpy(cvt.buf, d.samples.data(), bytes);
    if (cvt.needed && SDL_ConvertAudio(&cvt) != 0) {
        SDL_free(cvt.buf);
        return nullptr;
    }
    // The converter works in a buffer len_mult times the input (four times for a mono file:
    // floats, then two channels); the sound keeps only what it plays.
    const std::size_t kept = static_cast<std::size_t>(cvt.needed ? cvt.len_cvt : cvt.len);
    if (kept > 0 && kept < bytes * static_cast<std::size_t>(cvt.len_mult)) {
        if (auto* fitted = static_cast<Uint8*>(SDL_realloc(cvt.buf, kept))) cvt.buf = fitted;
    }
    auto* chunk = static_cast<Mix_Chunk*>(SDL_malloc(sizeof(Mix_Chunk)));
    if (!chunk) {
        SDL_free(cvt.buf);
        return nullptr;
    }
    chunk->allocated = 1;
    chunk->abuf = cvt.buf;
    chunk->alen = static_cast<Uint32>(kept);
    chunk->volume = MIX_MAX_VOLUME;
    return chunk;
}

// Under the service's mutex: a channel that plays nothing and whose last finish notice has been
// taken, claimed for `id`; more channels when all are busy; -1 at the limit.
int claimChannel(Service& s, SystemSoundID id) {
    for (int channel = 0; channel < s.channelsAllocated; ++channel) {
        if (channelOwnerOf(channel) == 0 && Mix_Playing(channel) == 0) {
            setChannelOwner(channel, id);
            return channel;
        }
    }
    if (s.channelsAllocated >= kMaxChannels) return -1;
    const int first = s.channelsAllocated;
    const int wanted = std::min(std::max(2 * first, 8), kMaxChannels);
    s.channelsAllocated = std::min(Mix_AllocateChannels(wanted), kMaxChannels);
    if (s.channelsAllocated <= first) return -1;
    setChannelOwner(first, id);
    return first;
}

void closeControllers(Service& s) {
    for (SDL_GameController* controller : s.rumbling)
        SDL_GameControllerClose(controller);
    s.rumbling.clear();
}

} // namespace

const char* systemSoundErrorText(int error) {
    switch (error) {
    case kSystemSoundNoError:
        return "no error";
    case kSystemSoundFileNotFound:
        return "no such file";
    case kSystemSoundUnsupportedFile:
        return "not a sound file libsndfile can read, or empty";
    case kSystemSoundTooLong:
        return "longer than 30 seconds";
    default:
        return "out of memory or a bad argument";
    }
}

int systemSoundCreate(const std::string& path, SystemSoundID* soundId) {
    if (!soundId) return kSystemSoundUnspecifiedError;
    Decoded decoded;
    if (const int error = decode(path, decoded)) return error;
    Service& s = service();
    std::lock_guard lock(s.mutex);
    Sound sound;
    if (s.audio != Audio::Silent) {
        sound.chunk = makeChunk(decoded);
        if (!sound.chunk) return kSystemSoundUnsupportedFile;
    }
    const SystemSoundID id = s.nextId++;
    s.sounds.emplace(id, sound);
    *soundId = id;
    return kSystemSoundNoError;
}

int systemSoundAddCompletion(SystemSoundID soundId, SystemSoundCompletion completion,
                             void* clientData) {
    Service& s = service();
    std::lock_guard lock(s.mutex);
    auto it = s.sounds.find(soundId);
    if (it == s.sounds.end()) return kSystemSoundUnspecifiedError;
    it->second.completion = completion;
    it->second.clientData = completion ? clientData : nullptr;
    return kSystemSoundNoError;
}

void systemSoundPlay(SystemSoundID soundId) {
    Service& s = service();
    SystemSoundPlayObserver observer = nullptr;
    {
        std::lock_guard lock(s.mutex);
        auto it = s.sounds.find(soundId);
        if (it == s.sounds.end()) return;
        observer = s.observer;
        bool started = false;
        if (it->second.chunk) openAudio(s);
        if (s.audio == Audio::Open && it->second.chunk) {
            const int channel = claimChannel(s, soundId);
            if (channel >= 0) {
                started = Mix_PlayChannel(channel, it->second.chunk, 0) == channel;
                if (!started) setChannelOwner(channel, 0);
            }
            if (started) ++s.plays;
        }
        // A play that cannot be heard ends at once, so that whoever counts plays is released.
        if (!started) postCompletion(soundId);
    }
    if (observer) observer(soundId);
}

int systemSoundDispose(SystemSoundID soundId) {
    Service& s = service();
    std::lock_guard lock(s.mutex);
    auto it = s.sounds.find(soundId);
    if (it == s.sounds.end()) return kSystemSoundUnspecifiedError;
    Mix_Chunk* chunk = it->second.chunk;
    s.sounds.erase(it); // from here on its completions, also those already posted, are dropped
    if (s.audio == Audio::Open) {
        for (int channel = 0; channel < s.channelsAllocated; ++channel) {
            if (channelOwnerOf(channel) != soundId) continue;
            Mix_HaltChannel(channel);
            // Free the channel even if the halt sent no finish notice.
            std::lock_guard channelLock(channelMutex);
            if (channelOwner[channel] == soundId) channelOwner[channel] = 0;
        }
    }
    if (chunk) Mix_FreeChunk(chunk);
    return kSystemSoundNoError;
}

void systemSoundShutdown() {
    Service& s = service();
    std::lock_guard lock(s.mutex);
    if (s.audio == Audio::Open) {
        Mix_ChannelFinished(nullptr);
        Mix_HaltChannel(-1);
    }
    for (auto& [id, sound] : s.sounds)
        if (sound.chunk) Mix_FreeChunk(sound.chunk);
    s.sounds.clear();
    closeAudio(s);
    s.audio = Audio::Closed;
    s.paused = false;
    s.idleCloseSeconds = kDefaultIdleCloseSeconds;
    closeControllers(s);
    if (s.startedControllerSubsystem) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    s.startedControllerSubsystem = false;
    s.controllersTried = false;
}

void systemSoundPauseAll(bool paused) {
    Service& s = service();
    std::lock_guard lock(s.mutex);
    s.paused = paused;
    if (s.audio != Audio::Open) return;
    if (paused)
        Mix_Pause(-1);
    else
        Mix_Resume(-1);
}

bool systemSoundAudioAvailable() {
    Service& s = service();
    std::lock_guard lock(s.mutex);
    return s.audio == Audio::Open;
}

void systemSoundSetIdleCloseSeconds(double seconds) {
    Service& s = service();
    std::lock_guard lock(s.mutex);
    s.idleCloseSeconds = seconds > 0 ? seconds : kDefaultIdleCloseSeconds;
}

void setSystemSoundPlayObserver(SystemSoundPlayObserver observer) {
    Service& s = service();
    std::lock_guard lock(s.mutex);
    s.observer = observer;
}

void vibrate() {
    vibrations.fetch_add(1, std::memory_order_relaxed);
    Service& s = service();
    std::lock_guard lock(s.mutex);
    if (!s.controllersTried) {
        s.controllersTried = true;
        if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0) {
            if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
                return; // no controllers: no rumble
            s.startedControllerSubsystem = true;
        }
    }
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0) return;
    // Controllers come and go: rumble the ones attached now, and keep them open while they rumble.
    closeControllers(s);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (!SDL_IsGameController(i)) continue;
        SDL_GameController* controller = SDL_GameControllerOpen(i);
        if (!controller) continue;
        SDL_GameControllerRumble(controller, kRumbleStrength, kRumbleStrength, kRumbleMs);
        s.rumbling.push_back(controller);
    }
}

int vibrationCount() {
    return vibrations.load(std::memory_order_relaxed);
}
