// The mixer of the system sounds. The channel table is read by the audio callback, so every
// change to it takes SDL's audio lock.
#include "platform/media/Mixer.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kFirstChannels = 8;

struct Channel {
    const MixerSound* sound = nullptr;
    Uint32 at = 0;   // bytes played
    Uint32 left = 0; // bytes to play; 0: silent
    bool paused = false;
};

struct Mixer {
    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec spec{};
    MixerFinished finished = nullptr;
    std::vector<Channel> channels;
};

Mixer mixer;

class AudioLock {
public:
    AudioLock() { SDL_LockAudioDevice(mixer.device); }
    ~AudioLock() { SDL_UnlockAudioDevice(mixer.device); }
    AudioLock(const AudioLock&) = delete;
    AudioLock& operator=(const AudioLock&) = delete;
};

bool isChannel(int channel) {
    return mixer.device != 0 && channel >= 0 && channel < static_cast<int>(mixer.channels.size());
}

// Under the audio lock.
void endPlay(int channel, bool notify) {
    Channel& c = mixer.channels[static_cast<std::size_t>(channel)];
    if (c.left == 0) return;
    c.left = 0;
    c.sound = nullptr;
    if (notify && mixer.finished) mixer.finished(channel);
}

void SDLCALL mix(void*, Uint8* stream, int len) {
    SDL_memset(stream, mixer.spec.silence, static_cast<std::size_t>(len));
    for (std::size_t i = 0; i < mixer.channels.size(); ++i) {
        Channel& c = mixer.channels[i];
        if (c.left == 0 || c.paused) continue;
        const Uint32 n = std::min(c.left, static_cast<Uint32>(len));
        SDL_MixAudioFormat(stream, c.sound->samples + c.at, mixer.spec.format, n,
                           SDL_MIX_MAXVOLUME);
        c.at += n;
        c.left -= n;
        if (c.left > 0) continue;
        c.sound = nullptr;
        if (mixer.finished) mixer.finished(static_cast<int>(i));
    }
}

} // namespace

bool mixerOpen(int frequency, SDL_AudioFormat format, int channels, int samples,
               MixerFinished finished) {
    if (mixer.device != 0) return true;
    SDL_AudioSpec wanted{};
    wanted.freq = frequency;
    wanted.format = format;
    wanted.channels = static_cast<Uint8>(channels);
    wanted.samples = static_cast<Uint16>(samples);
    wanted.callback = mix;
    SDL_AudioSpec got{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(
        nullptr, 0, &wanted, &got, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (device == 0) return false;
    mixer.spec = got;
    mixer.finished = finished;
    mixer.channels.assign(kFirstChannels, Channel{});
    mixer.device = device; // the callback cannot run before the device is unpaused
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void mixerClose() {
    if (mixer.device == 0) return;
    {
        const AudioLock lock;
        for (int i = 0; i < static_cast<int>(mixer.channels.size()); ++i)
            endPlay(i, false);
    }
    SDL_CloseAudioDevice(mixer.device);
    mixer = Mixer{};
}

void mixerSpec(int* frequency, SDL_AudioFormat* format, int* channels) {
    *frequency = mixer.spec.freq;
    *format = mixer.spec.format;
    *channels = mixer.spec.channels;
}

int mixerAllocateChannels(int count) {
    if (mixer.device == 0) return 0;
    const AudioLock lock;
    if (count > static_cast<int>(mixer.channels.size()))
        mixer.channels.resize(static_cast<std::size_t>(count));
    return static_cast<int>(mixer.channels.size());
}

bool mixerPlaying(int channel) {
    if (!isChannel(channel)) return false;
    const AudioLock lock;
    return mixer.channels[static_cast<std::size_t>(channel)].left > 0;
}

bool mixerPlay(int channel, const MixerSound* sound) {
    if (!isChannel(channel) || !sound || !sound->samples || sound->bytes == 0) return false;
    const AudioLock lock;
    endPlay(channel, true);
    Channel& c = mixer.channels[static_cast<std::size_t>(channel)];
    c.sound = sound;
    c.at = 0;
    c.left = sound->bytes;
    c.paused = false;
    return true;
}

void mixerHalt(int channel) {
    if (mixer.device == 0) return;
    const AudioLock lock;
    for (int i = 0; i < static_cast<int>(mixer.channels.size()); ++i)
        if (channel == -1 || channel == i) endPlay(i, true);
}

void mixerPause(bool paused) {
    if (mixer.device == 0) return;
    const AudioLock lock;
    for (Channel& c : mixer.channels)
        if (c.left > 0) c.paused = paused;
}
