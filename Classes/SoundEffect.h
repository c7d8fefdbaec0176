// One short sound that may overlap itself up to a limit, and the game view's seven sounds played
// from the model's request flags. Goes through the system-sound service; no SDL here.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class SoundEffect {
public:
    // nullptr for an empty path, else initWithContentsOfFile.
    static std::unique_ptr<SoundEffect> soundEffectWithContentsOfFile(const std::string& path);
    // The loaded sound, or nullptr after one log line.
    static std::unique_ptr<SoundEffect> initWithContentsOfFile(const std::string& path);

    ~SoundEffect(); // disposes the sound: no completion reaches this object afterwards
    SoundEffect(const SoundEffect&) = delete;
    SoundEffect& operator=(const SoundEffect&) = delete;

    // Starts one play unless the limit of overlapping plays is reached; then the play is dropped.
    void play();
    void setMaximumNumberOfConcurrentSounds(std::uint32_t count); // count > 0
    // A play has ended; only the completion callback calls this.
    void decrementSoundCounter();

    std::uint32_t soundID() const { return _soundID; }
    std::uint32_t soundCounter() const;
    std::uint32_t maximumNumberOfConcurrentSounds() const;

private:
    SoundEffect() = default;

    std::uint32_t _soundID = 0;
    std::uint32_t _soundCounter = 0;             // plays started and not yet completed
    std::uint32_t _maxNumOfConcurrentSounds = 1; // the most plays that may overlap
    mutable std::mutex _lock;                    // guards both counters
};

// The completion routine registered for every SoundEffect; clientData is the SoundEffect.
void soundCompletionCallback(std::uint32_t soundID, void* clientData);

// The game view's sounds, in the order in which their requests are played.
struct GameSounds {
    std::unique_ptr<SoundEffect> popSound;
    std::unique_ptr<SoundEffect> dropSound;
    std::unique_ptr<SoundEffect> cheerSound;
    std::unique_ptr<SoundEffect> rejectSound;
    std::unique_ptr<SoundEffect> startSound;
    std::unique_ptr<SoundEffect> warnSound;
    std::unique_ptr<SoundEffect> highScoreSound;
};

// Loads the seven sounds from the resources; a sound that fails to load stays nullptr.
void loadSoundEffects(GameSounds& sounds);
// Once per frame tick: plays the requested sounds (unless sound effects are off) and clears
// every request flag.
void playSounds(GameSounds& sounds);
