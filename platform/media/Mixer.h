// Channels of short sounds mixed on SDL's audio callback: each play added to a silent buffer in
// channel order by SDL_MixAudioFormat at full volume, as SDL_mixer mixes its channels, without
// the music decoders that SDL_mixer's library brings along. One device per process.
// For the system-sound service; nothing game-specific.
#pragma once

#include <SDL.h>

// Samples in the device's format, owned by the caller; kept alive while a channel plays them.
struct MixerSound {
    const Uint8* samples = nullptr;
    Uint32 bytes = 0;
};

// Called with SDL's audio lock held (on the audio thread, or in mixerPlay / mixerHalt) when a
// channel's play ends or is halted: no mixer calls inside.
using MixerFinished = void (*)(int channel);

// Opens the default device for `frequency` Hz, `format`, `channels` and buffers of `samples`
// frames; the device may change the frequency and the channel count (mixerSpec tells). Starts
// with 8 silent channels. False when no device opens: SDL_GetError() says why.
bool mixerOpen(int frequency, SDL_AudioFormat format, int channels, int samples,
               MixerFinished finished);
void mixerClose(); // halts every channel first, without finish notices
void mixerSpec(int* frequency, SDL_AudioFormat* format, int* channels);

// The channel count after growing to `count` (never shrinks); with count < 0 the count now.
int mixerAllocateChannels(int count);
bool mixerPlaying(int channel);
// Plays `sound` from its start on the channel (ending what it played); false for no channel.
bool mixerPlay(int channel, const MixerSound* sound);
void mixerHalt(int channel); // -1: every channel
// Pauses or resumes every channel that is playing; a new play is never paused.
void mixerPause(bool paused);
