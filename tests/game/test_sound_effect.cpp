// Sound effects on the real mixer (SDL's dummy audio driver plays in real time): loading the
// game's sounds, the request flags, the overlap limits, completions on the main loop, bad files,
// no audio device, and no library chatter on stderr.
#include "Classes/SoundEffect.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "model/Puzzle.h"
#include "platform/media/Resources.h"
#include "platform/media/SystemSound.h"
#include "support/Harness.h"

namespace {

using namespace std::chrono_literals;
using Clock = RunLoop::Clock;

std::vector<SystemSoundID> plays; // main thread only
void recordPlay(SystemSoundID id) {
    plays.push_back(id);
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetGameGlobals();
        plays.clear();
        setSystemSoundPlayObserver(recordPlay);
    }
    void TearDown() override {
        sounds = GameSounds{};
        systemSoundShutdown();
        RunLoop::main().runOnce(); // dropped completions of this test
        setSystemSoundPlayObserver(nullptr);
        setResourceDirectory("");
        resetGameGlobals();
    }
    std::string write(const std::string& name, const std::string& bytes) {
        writeFile(scratch / name, bytes);
        return (scratch / name).string();
    }
    // A quiet tone of `seconds` as 16-bit WAV at 8 kHz, written with libsndfile.
    std::string writeTone(const std::string& name, double seconds) {
        const std::string path = (scratch / name).string();
        SF_INFO info{0, 8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
        std::vector<float> samples(static_cast<std::size_t>(seconds * 8000));
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = 0.3f * std::sin(static_cast<float>(i) * 0.05f);
        sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
        sf_close(file);
        return path;
    }

    GameSounds sounds;
    ScratchDir scratch;
    LogCapture log;
};

TEST_F(SoundTest, TheGamesSevenSoundsLoadWithTheirLimitsAndPlayInTheTablesOrder) {
    loadSoundEffects(sounds);
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
    const SoundEffect* all[] = {sounds.popSound.get(),      sounds.dropSound.get(),
                                sounds.cheerSound.get(),    sounds.rejectSound.get(),
                                sounds.startSound.get(),    sounds.warnSound.get(),
                                sounds.highScoreSound.get()};
    std::vector<SystemSoundID> ids;
    for (std::size_t i = 0; i < 7; ++i) {
        ASSERT_NE(all[i], nullptr) << "sound " << i;
        EXPECT_EQ(all[i]->maximumNumberOfConcurrentSounds(), i < 2 ? 5u : 1u) << "sound " << i;
        ids.push_back(all[i]->soundID());
    }
    int* flags[] = {&popSndRequest,   &dropSndRequest, &cheerSndRequest,    &rejectSndRequest,
                    &startSndRequest, &warnSndRequest, &highScoreSndRequest};
    for (int on : {0, 1}) { // requests made while the sound is off are gone, not kept
        sfxState = on;
        for (int* flag : flags)
            *flag = 1;
        playSounds(sounds);
        for (int* flag : flags)
            EXPECT_EQ(*flag, 0);
    }
    EXPECT_EQ(plays, ids);
}

TEST_F(SoundTest, OverlapLimitDropsExtraPlaysUntilACompletionArrives) {
    loadSoundEffects(sounds);
    const SoundEffect& pop = *sounds.popSound;
    for (int tick = 0; tick < 6; ++tick) {
        popSndRequest = 1;
        playSounds(sounds);
        EXPECT_EQ(popSndRequest, 0);
    }
    EXPECT_EQ(plays.size(), 5u);
    EXPECT_EQ(pop.soundCounter(), 5u);

    // The mixer finishes the pops (0.12 s); their completions come through the main loop.
    ASSERT_TRUE(runLoopUntil([&] { return pop.soundCounter() < 5; }));
    popSndRequest = 1;
    playSounds(sounds);
    EXPECT_EQ(plays.size(), 6u);

    // Exactly one completion per play: the counter settles at 0 (one more would abort).
    ASSERT_TRUE(runLoopUntil([&] { return pop.soundCounter() == 0; }));
    runMainLoopFor(300ms);
    EXPECT_EQ(pop.soundCounter(), 0u);
}

TEST_F(SoundTest, MissingUnusableAndUndecodableFilesLogTheirMessages) {
    EXPECT_EQ(SoundEffect::soundEffectWithContentsOfFile(""), nullptr);
    EXPECT_TRUE(log.lines.empty()); // no path: none, without a word
    EXPECT_EQ(SoundEffect::initWithContentsOfFile(""), nullptr);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "NSURL is nil for path:  (no path given)");

    const std::string real = readFile(resourcePath("pop.caf"));
    ASSERT_GT(real.size(), 100u);
    // One line each, with the file and the reason.
    const std::pair<std::string, const char*> cases[] = {
        {(scratch / "no such sound.caf").string(), "(no such file)"},
        {scratch.path.string(), "(no such file)"}, // a folder
        {write("garbage.caf", std::string(4000, '\x5a')), "(not a sound file"},
        {write("cut.caf", real.substr(0, 24)), "(not a sound file"}, // header torn off
        {write("empty.caf", ""), "(not a sound file"},
        {writeTone("long.wav", kSystemSoundMaxSeconds + 1.0), "(longer than 30 seconds)"}};
    for (const auto& [path, reason] : cases) {
        log.lines.clear();
        EXPECT_EQ(SoundEffect::initWithContentsOfFile(path), nullptr) << path;
        ASSERT_EQ(log.lines.size(), 1u) << path;
        EXPECT_NE(log.lines[0].find(path + " " + reason), std::string::npos) << log.lines[0];
    }
    // The real file next to them still loads.
    EXPECT_NE(SoundEffect::initWithContentsOfFile(write("pop.caf", real)), nullptr);
}

TEST_F(SoundTest, AMissingResourceLeavesItsSoundNoneAndTheGameGoesOn) {
    for (const char* name : {"pop.caf", "Select.caf", "whistle_shrill_x.caf", "cowbell.caf",
                             "Comedy Bubbles.caf", "Crowd_cheer6.caf"}) // no timer.caf
        fs::copy_file(resourcePath(name), scratch / name);
    setResourceDirectory(scratch.path.string());
    loadSoundEffects(sounds);
    EXPECT_EQ(sounds.warnSound, nullptr);
    EXPECT_EQ(log.lines,
              std::vector<std::string>{"NSURL is nil for path: timer.caf (no such file in " +
                                       scratch.path.string() + ")"});
    warnSndRequest = startSndRequest = 1;
    playSounds(sounds);
    EXPECT_EQ(warnSndRequest, 0);
    EXPECT_EQ(plays, std::vector<SystemSoundID>{sounds.startSound->soundID()});
}

TEST_F(SoundTest, WithoutAnAudioDeviceSoundsAreSilentAndStillComplete) {
    systemSoundShutdown();
    loadSoundEffects(sounds);
    ASSERT_TRUE(sounds.popSound && sounds.highScoreSound);
    EXPECT_TRUE(log.lines.empty()); // the device is first wanted by a play
    {
        EnvVar driver("SDL_AUDIODRIVER", "no-such-audio-driver");
        popSndRequest = 1;
        playSounds(sounds);
    }
    EXPECT_FALSE(systemSoundAudioAvailable());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("no audio device", 0), 0u) << log.lines[0];
    ASSERT_TRUE(runLoopUntil([&] { return sounds.popSound->soundCounter() == 0; }, 2s));

    // One line for the whole service, not one per play: a failed device is not tried again.
    for (int tick = 0; tick < 3; ++tick) {
        popSndRequest = highScoreSndRequest = 1;
        playSounds(sounds);
        // Silent plays complete at once through the loop, so the limits never stick.
        ASSERT_TRUE(runLoopUntil(
            [&] {
                return sounds.popSound->soundCounter() == 0 &&
                       sounds.highScoreSound->soundCounter() == 0;
            },
            2s));
    }
    EXPECT_EQ(plays.size(), 7u);
    EXPECT_EQ(log.lines.size(), 1u);
    EXPECT_FALSE(systemSoundAudioAvailable());
}

// Silence costs nothing: the device (and SDL's audio thread with it) is open only from a play
// until a silence after the last one; a held play keeps it, and sounds play again after it closed.
TEST_F(SoundTest, TheDeviceOpensForAPlayAndClosesAfterASilence) {
    // SDL names the thread that mixes a device "SDLAudioP<n>"; counting it by name leaves out
    // threads of others (a sanitizer's own, say) that come and go meanwhile.
    const auto audioThreads = [] {
        int count = 0;
        for (const auto& task : fs::directory_iterator("/proc/self/task")) {
            std::ifstream comm(task.path() / "comm");
            std::string name;
            std::getline(comm, name);
            count += name.rfind("SDLAudio", 0) == 0 ? 1 : 0;
        }
        return count;
    };
    systemSoundSetIdleCloseSeconds(0.3);
    loadSoundEffects(sounds);
    const SoundEffect& pop = *sounds.popSound;
    EXPECT_FALSE(systemSoundAudioAvailable());
    EXPECT_EQ(audioThreads(), 0);

    for (int round = 0; round < 2; ++round) {
        popSndRequest = 1;
        playSounds(sounds);
        EXPECT_TRUE(systemSoundAudioAvailable()) << round;
        // The thread names itself once it runs.
        EXPECT_TRUE(runLoopUntil([&] { return audioThreads() == 1; }, 2s)) << round;
        ASSERT_TRUE(runLoopUntil([&] { return pop.soundCounter() == 0; })) << round;
        EXPECT_TRUE(systemSoundAudioAvailable()) << "closed before the silence, round " << round;
        ASSERT_TRUE(runLoopUntil([] { return !systemSoundAudioAvailable(); }, 3s)) << round;
        EXPECT_EQ(audioThreads(), 0) << round;
    }

    // A held play keeps the device through a silence longer than the wait; let go, it ends and
    // the device closes after it. (A tone of 2 s, so that a slow machine still holds it playing.)
    const auto tone = SoundEffect::initWithContentsOfFile(writeTone("tone.wav", 2.0));
    ASSERT_NE(tone, nullptr);
    tone->play();
    systemSoundPauseAll(true);
    runMainLoopFor(600ms);
    EXPECT_TRUE(systemSoundAudioAvailable());
    EXPECT_EQ(tone->soundCounter(), 1u);
    systemSoundPauseAll(false);
    ASSERT_TRUE(runLoopUntil([&] { return tone->soundCounter() == 0; }));
    ASSERT_TRUE(runLoopUntil([] { return !systemSoundAudioAvailable(); }, 3s));
}

// Opening the device through each driver leaves no alsa-lib lines on stderr (without a card it has
// lines of its own to say), only the service's own line. SDL's dummy and disk drivers always open, so there
// the sounds must load with no line at all; through ALSA the one line comes exactly when no
// device opened.
TEST_F(SoundTest, OpeningTheDeviceLeavesNoAlsaLinesOnStderrAndSaysOnceWhenItFails) {
    const std::string diskFile = (scratch / "disk-audio.raw").string();
    EnvVar diskOut("SDL_DISKAUDIOFILE", diskFile.c_str());
    for (const char* driver : {"dummy", "disk", "alsa"}) {
        SCOPED_TRACE(driver);
        systemSoundShutdown();
        sounds = GameSounds{};
        log.lines.clear();
        const std::string out = (scratch / "stderr.txt").string();
        std::fflush(stderr);
        const int saved = dup(2), file = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(file, 2);
        {
            EnvVar audio("SDL_AUDIODRIVER", driver);
            loadSoundEffects(sounds);
            popSndRequest = 1;
            playSounds(sounds); // the device opens for a play
        }
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
        close(file);
        EXPECT_EQ(readFile(out).find("ALSA lib"), std::string::npos) << readFile(out);
        const bool opened = systemSoundAudioAvailable();
        EXPECT_EQ(log.lines.size(), opened ? 0u : 1u);
        if (std::string(driver) != "alsa") {
            EXPECT_TRUE(opened);
            EXPECT_NE(sounds.popSound, nullptr);
        }
        if (std::string(driver) == "disk") {
            EXPECT_TRUE(std::filesystem::exists(diskFile));
        }
    }
}

} // namespace
