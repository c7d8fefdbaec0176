// The system-sound service: short sounds decoded with libsndfile and played through SDL_mixer,
// one mixer channel per play, completions delivered on the main run loop; and the vibration.
// Nothing game-specific; no SDL types here.
#pragma once

#include <cstdint>
#include <string>

using SystemSoundID = std::uint32_t; // 0 is never a valid sound

// Result codes of systemSoundCreate and systemSoundDispose; 0 is success.
enum : int {
    kSystemSoundNoError = 0,
    kSystemSoundFileNotFound = -43,       // no regular file at the path
    kSystemSoundUnspecifiedError = -1500, // bad argument, out of memory, unknown sound id
    kSystemSoundUnsupportedFile = -1503,  // not a sound file libsndfile can decode, or empty
    kSystemSoundTooLong = -1504,          // longer than kSystemSoundMaxSeconds
};
constexpr double kSystemSoundMaxSeconds = 30.0; // a system sound is a short sound

// The meaning of a result code above in words, e.g. "not a sound file libsndfile can read".
const char* systemSoundErrorText(int error);

// Called on the main thread (through RunLoop::main()) once for each play of the sound that has
// ended. Never called for a sound that has been disposed, even for plays that were under way.
using SystemSoundCompletion = void (*)(SystemSoundID soundId, void* clientData);

// Decodes the file and keeps it ready to play. The audio device is opened by a play and closed
// after a few seconds of silence. Without a usable audio device plays are silent (after one log
// line for the whole process) and complete at once, so callers that count plays never get stuck.
int systemSoundCreate(const std::string& path, SystemSoundID* soundId);

// One completion routine per sound; a later call replaces it, nullptr removes it.
int systemSoundAddCompletion(SystemSoundID soundId, SystemSoundCompletion completion,
                             void* clientData);

// Starts one play and returns at once; several plays of one sound overlap. Unknown ids are ignored.
void systemSoundPlay(SystemSoundID soundId);

// Stops the sound's plays, drops its pending completions and frees it.
int systemSoundDispose(SystemSoundID soundId);

// Rumbles the attached game controllers briefly; does nothing without one. Main thread.
void vibrate();
// Calls of vibrate() so far, with or without a controller.
int vibrationCount();

// Closes the audio device and the controllers and forgets every sound (pending completions are
// dropped). A device that could not be opened is tried again by the next play. For the end of the
// program, and tests.
void systemSoundShutdown();

// Holds every play under way where it is (true) or lets them go on (false); their completions
// come when they end after that. New plays start as usual. A held play keeps the device open.
void systemSoundPauseAll(bool paused);

// True while the audio device is open: from a play until a silence closes it. False before the
// first play, after such a silence and in silent mode.
bool systemSoundAudioAvailable();

// The silence after which the device closes (seconds; 0 or less: the default, 5 s). Kept until
// systemSoundShutdown().
void systemSoundSetIdleCloseSeconds(double seconds);

// Test hook: called on the calling thread for every play of a known sound, heard or silent.
using SystemSoundPlayObserver = void (*)(SystemSoundID soundId);
void setSystemSoundPlayObserver(SystemSoundPlayObserver observer); // nullptr removes it
