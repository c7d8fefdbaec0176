// Sound effects on the real mixer (SDL's dummy audio driver plays in real time): loading the
// game's sounds, the request flags, the overlap limits, completions on the main loop, disposal
// with plays under way, bad files, no audio device, the assertions and the vibration.
#include "Classes/SoundEffect.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "model/Puzzle.h"
#include "platform/Log.h"
#include "platform/Resources.h"
#include "platform/RunLoop.h"
#include "platform/SystemSound.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = RunLoop::Clock;

// Both are called on the test's (main) thread only.
std::vector<std::string> logLines;
std::vector<SystemSoundID> plays;
void captureLog(const char* line) {
    logLines.emplace_back(line);
}
void recordPlay(SystemSoundID id) {
    plays.push_back(id);
}

// Completion journal for sounds used without SoundEffect.
struct Completions {
    int count = 0;
    int offMainThread = 0;
    std::thread::id mainThread = std::this_thread::get_id();
};
void countCompletion(SystemSoundID, void* clientData) {
    auto* c = static_cast<Completions*>(clientData);
    ++c->count;
    if (std::this_thread::get_id() != c->mainThread) ++c->offMainThread;
}

template <typename Done> bool runMainLoopUntil(Done done, Clock::duration limit = 10s) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        RunLoop::main().runOnce(5ms);
    }
    return true;
}

void runMainLoopFor(Clock::duration span) {
    RunLoop::main().runUntil(Clock::now() + span);
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No test needs a sound card; a driver chosen from outside (CTest, a developer) wins.
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        GTEST_FLAG_SET(death_test_style, "threadsafe"); // the mixer runs a thread
        resetGameGlobals();
        logLines.clear();
        plays.clear();
        setLogSink(captureLog);
        setSystemSoundPlayObserver(recordPlay);
        const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch =
            fs::temp_directory_path() / ("spheron-sound-" + std::to_string(getpid()) + "-" + test);
        fs::create_directories(scratch);
    }
    void TearDown() override {
        sounds = GameSounds{};
        systemSoundShutdown();
        RunLoop::main().runOnce(); // dropped completions of this test
        setSystemSoundPlayObserver(nullptr);
        setLogSink(nullptr);
        setResourceDirectory("");
        resetGameGlobals();
        std::error_code ec;
        fs::remove_all(scratch, ec);
    }
    std::string writeFile(const std::string& name, const std::string& bytes) {
        const fs::path path = scratch / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    // A sine tone through libsndfile, in any format it writes.
    std::string writeTone(const std::string& name, int format, int rate, int channels,
                          double seconds) {
        const fs::path path = scratch / name;
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = format;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!file) {
            ADD_FAILURE() << "cannot write " << path << ": " << sf_strerror(nullptr);
            return path.string();
        }
        const auto frames = static_cast<std::size_t>(seconds * rate);
        std::vector<float> samples(frames * static_cast<std::size_t>(channels));
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = 0.3f * std::sin(static_cast<float>(i) * 0.05f);
        sf_writef_float(file, samples.data(), static_cast<sf_count_t>(frames));
        sf_close(file);
        return path.string();
    }

    GameSounds sounds;
    fs::path scratch;
};

std::string errorLine(int code, const std::string& path) {
    return "Error " + std::to_string(code) + " loading sound at path: " + path;
}

TEST_F(SoundTest, TheGamesSevenSoundsLoadWithTheirLimits) {
    loadSoundEffects(sounds);
    EXPECT_TRUE(logLines.empty()) << logLines.front();
    EXPECT_TRUE(systemSoundAudioAvailable());
    const SoundEffect* all[] = {sounds.popSound.get(),      sounds.dropSound.get(),
                                sounds.cheerSound.get(),    sounds.rejectSound.get(),
                                sounds.startSound.get(),    sounds.warnSound.get(),
                                sounds.highScoreSound.get()};
    const std::uint32_t limits[] = {5, 5, 1, 1, 1, 1, 1};
    std::vector<SystemSoundID> ids;
    for (std::size_t i = 0; i < 7; ++i) {
        ASSERT_NE(all[i], nullptr) << "sound " << i;
        EXPECT_EQ(all[i]->maximumNumberOfConcurrentSounds(), limits[i]) << "sound " << i;
        EXPECT_EQ(all[i]->soundCounter(), 0u);
        EXPECT_NE(all[i]->soundID(), 0u);
        for (SystemSoundID other : ids)
            EXPECT_NE(all[i]->soundID(), other);
        ids.push_back(all[i]->soundID());
    }
}

TEST_F(SoundTest, PlaySoundsHonoursTheSfxSwitchAndTheTableOrder) {
    loadSoundEffects(sounds);
    int* flags[] = {&popSndRequest,   &dropSndRequest, &cheerSndRequest,    &rejectSndRequest,
                    &startSndRequest, &warnSndRequest, &highScoreSndRequest};

    sfxState = 0;
    for (int* flag : flags)
        *flag = 1;
    playSounds(sounds);
    EXPECT_TRUE(plays.empty());
    for (int* flag : flags)
        EXPECT_EQ(*flag, 0);
    sfxState = 1;
    playSounds(sounds); // the requests made while off are gone, not kept
    EXPECT_TRUE(plays.empty());

    for (int* flag : flags)
        *flag = 1;
    playSounds(sounds);
    const std::vector<SystemSoundID> expected = {
        sounds.popSound->soundID(),      sounds.dropSound->soundID(),  sounds.cheerSound->soundID(),
        sounds.rejectSound->soundID(),   sounds.startSound->soundID(), sounds.warnSound->soundID(),
        sounds.highScoreSound->soundID()};
    EXPECT_EQ(plays, expected);
    for (int* flag : flags)
        EXPECT_EQ(*flag, 0);
    EXPECT_EQ(sounds.highScoreSound->soundCounter(), 1u);

    // Only the raised flags play.
    plays.clear();
    warnSndRequest = 7; // any non-zero value is a request
    playSounds(sounds);
    EXPECT_TRUE(plays.empty()); // the warn sound from above still plays: its limit is 1
    EXPECT_EQ(warnSndRequest, 0);
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
    ASSERT_TRUE(runMainLoopUntil([&] { return pop.soundCounter() < 5; }));
    popSndRequest = 1;
    playSounds(sounds);
    EXPECT_EQ(plays.size(), 6u);

    // Exactly one completion per play: the counter settles at 0 (one more would abort).
    ASSERT_TRUE(runMainLoopUntil([&] { return pop.soundCounter() == 0; }));
    runMainLoopFor(300ms);
    EXPECT_EQ(pop.soundCounter(), 0u);
}

TEST_F(SoundTest, CompletionsComeOnTheMainLoopOncePerPlay) {
    SystemSoundID id = 0;
    ASSERT_EQ(systemSoundCreate(resourcePath("pop.caf"), &id), kSystemSoundNoError);
    Completions done;
    ASSERT_EQ(systemSoundAddCompletion(id, countCompletion, &done), kSystemSoundNoError);
    for (int i = 0; i < 3; ++i)
        systemSoundPlay(id);
    std::this_thread::sleep_for(500ms); // the plays end meanwhile, on the audio thread
    EXPECT_EQ(done.count, 0);           // nothing arrives while the loop does not run
    ASSERT_TRUE(runMainLoopUntil([&] { return done.count >= 3; }, 5s));
    runMainLoopFor(300ms);
    EXPECT_EQ(done.count, 3);
    EXPECT_EQ(done.offMainThread, 0);
    EXPECT_EQ(systemSoundDispose(id), kSystemSoundNoError);
    EXPECT_NE(systemSoundDispose(id), kSystemSoundNoError); // twice is an error, not a crash
}

// More overlapping plays than the mixer's first eight channels: each gets a channel of its own
// and none cuts another short, so all end together after the sound's 2.6 s.
TEST_F(SoundTest, OverlappingPlaysEachGetAChannelAndLastTheSoundsLength) {
    SystemSoundID id = 0;
    ASSERT_EQ(systemSoundCreate(resourcePath("Crowd_cheer6.caf"), &id), kSystemSoundNoError);
    Completions done;
    systemSoundAddCompletion(id, countCompletion, &done);
    const auto start = Clock::now();
    for (int i = 0; i < 12; ++i)
        systemSoundPlay(id);
    ASSERT_TRUE(runMainLoopUntil([&] { return done.count > 0; }, 6s));
    const auto firstEnd = Clock::now() - start;
    ASSERT_TRUE(runMainLoopUntil([&] { return done.count >= 12; }, 3s));
    runMainLoopFor(200ms);
    EXPECT_EQ(done.count, 12);
    EXPECT_GE(firstEnd, 2400ms);
    EXPECT_LT(firstEnd, 4000ms);
}

TEST_F(SoundTest, AnyFormatLibsndfileReadsPlaysForItsOwnLength) {
    // 0.5 s of stereo 22.05 kHz float WAV, converted to the mixer's format on loading.
    const std::string path = writeTone("tone.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 22050, 2, 0.5);
    auto tone = SoundEffect::soundEffectWithContentsOfFile(path);
    ASSERT_NE(tone, nullptr) << (logLines.empty() ? "" : logLines.front());
    const auto start = Clock::now();
    tone->play();
    ASSERT_TRUE(runMainLoopUntil([&] { return tone->soundCounter() == 0; }, 5s));
    const auto length = Clock::now() - start;
    EXPECT_GE(length, 400ms);
    EXPECT_LT(length, 1500ms);
}

TEST_F(SoundTest, DisposingWithPlaysUnderWayDropsTheirCompletions) {
    SystemSoundID id = 0;
    ASSERT_EQ(systemSoundCreate(resourcePath("pop.caf"), &id), kSystemSoundNoError);
    Completions done;
    systemSoundAddCompletion(id, countCompletion, &done);
    systemSoundPlay(id);
    std::this_thread::sleep_for(400ms); // ended: its completion waits in the loop's queue
    systemSoundPlay(id);                // still playing at the dispose
    systemSoundDispose(id);
    runMainLoopFor(500ms);
    EXPECT_EQ(done.count, 0);

    // The same through SoundEffect: the object is gone when the completions would arrive.
    auto cheer = SoundEffect::initWithContentsOfFile(resourcePath("Crowd_cheer6.caf"));
    auto pop = SoundEffect::initWithContentsOfFile(resourcePath("pop.caf"));
    ASSERT_NE(cheer, nullptr);
    ASSERT_NE(pop, nullptr);
    cheer->play();
    pop->play();
    std::this_thread::sleep_for(400ms);
    cheer.reset();
    pop.reset();
    runMainLoopFor(300ms); // a completion reaching a freed object would show under ASan

    // A new sound never receives an old sound's completion: ids are not reused.
    SystemSoundID fresh = 0;
    ASSERT_EQ(systemSoundCreate(resourcePath("pop.caf"), &fresh), kSystemSoundNoError);
    EXPECT_NE(fresh, id);
}

TEST_F(SoundTest, MissingAndUnusablePathsLogTheirMessages) {
    EXPECT_EQ(SoundEffect::soundEffectWithContentsOfFile(""), nullptr);
    EXPECT_TRUE(logLines.empty()); // no path: none, without a word

    EXPECT_EQ(SoundEffect::initWithContentsOfFile(""), nullptr);
    ASSERT_EQ(logLines.size(), 1u);
    EXPECT_EQ(logLines[0], "NSURL is nil for path: ");

    const std::string missing = (scratch / "no such sound.caf").string();
    EXPECT_EQ(SoundEffect::initWithContentsOfFile(missing), nullptr);
    ASSERT_EQ(logLines.size(), 2u);
    EXPECT_EQ(logLines[1], errorLine(kSystemSoundFileNotFound, missing));

    EXPECT_EQ(SoundEffect::initWithContentsOfFile(scratch.string()), nullptr); // a folder
    ASSERT_EQ(logLines.size(), 3u);
    EXPECT_EQ(logLines[2], errorLine(kSystemSoundFileNotFound, scratch.string()));
}

TEST_F(SoundTest, UndecodableFilesLogTheErrorCode) {
    std::ifstream in(resourcePath("pop.caf"), std::ios::binary);
    const std::string real((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(real.size(), 100u);
    const std::string garbage = writeFile("garbage.caf", std::string(4000, '\x5a'));
    const std::string cut = writeFile("cut.caf", real.substr(0, 24)); // header torn off
    const std::string empty = writeFile("empty.caf", "");
    const std::string tooLong = writeTone("long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1,
                                          kSystemSoundMaxSeconds + 1.0);
    for (const std::string& path : {garbage, cut, empty}) {
        logLines.clear();
        EXPECT_EQ(SoundEffect::initWithContentsOfFile(path), nullptr) << path;
        ASSERT_EQ(logLines.size(), 1u) << path;
        EXPECT_EQ(logLines[0], errorLine(kSystemSoundUnsupportedFile, path));
    }
    logLines.clear();
    EXPECT_EQ(SoundEffect::initWithContentsOfFile(tooLong), nullptr);
    ASSERT_EQ(logLines.size(), 1u);
    EXPECT_EQ(logLines[0], errorLine(kSystemSoundTooLong, tooLong));
    // The real file next to them still loads.
    EXPECT_NE(SoundEffect::initWithContentsOfFile(writeFile("pop.caf", real)), nullptr);
}

TEST_F(SoundTest, AMissingResourceLeavesItsSoundNoneAndTheGameGoesOn) {
    for (const char* name : {"pop.caf", "Select.caf", "whistle_shrill_x.caf", "cowbell.caf",
                             "Comedy Bubbles.caf", "Crowd_cheer6.caf"}) // no timer.caf
        fs::copy_file(resourcePath(name), scratch / name);
    setResourceDirectory(scratch.string());
    loadSoundEffects(sounds);
    EXPECT_EQ(sounds.warnSound, nullptr);
    EXPECT_NE(sounds.startSound, nullptr);
    EXPECT_NE(sounds.highScoreSound, nullptr);
    ASSERT_EQ(logLines.size(), 1u);
    EXPECT_EQ(logLines[0], "NSURL is nil for path: ");
    warnSndRequest = 1;
    startSndRequest = 1;
    playSounds(sounds);
    EXPECT_EQ(warnSndRequest, 0);
    EXPECT_EQ(plays, std::vector<SystemSoundID>{sounds.startSound->soundID()});
}

TEST_F(SoundTest, WithoutAnAudioDeviceSoundsAreSilentAndStillComplete) {
    systemSoundShutdown();
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    const std::string previous = saved ? saved : "";
    setenv("SDL_AUDIODRIVER", "no-such-audio-driver", 1);
    loadSoundEffects(sounds);
    if (saved)
        setenv("SDL_AUDIODRIVER", previous.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");

    EXPECT_FALSE(systemSoundAudioAvailable());
    ASSERT_EQ(logLines.size(), 1u); // one line for the whole service, not one per sound
    EXPECT_EQ(logLines[0].rfind("no audio device", 0), 0u) << logLines[0];
    ASSERT_NE(sounds.popSound, nullptr);
    ASSERT_NE(sounds.highScoreSound, nullptr);
    // Bad files are still told apart from good ones.
    EXPECT_EQ(SoundEffect::initWithContentsOfFile(writeFile("bad.caf", "not a sound")), nullptr);
    EXPECT_EQ(logLines.size(), 2u);

    for (int tick = 0; tick < 3; ++tick) {
        popSndRequest = highScoreSndRequest = 1;
        playSounds(sounds);
        // Silent plays complete at once through the loop, so the limits never stick.
        ASSERT_TRUE(runMainLoopUntil(
            [&] {
                return sounds.popSound->soundCounter() == 0 &&
                       sounds.highScoreSound->soundCounter() == 0;
            },
            2s));
    }
    EXPECT_EQ(plays.size(), 6u);
    EXPECT_EQ(logLines.size(), 2u);
}

TEST_F(SoundTest, AssertionsStopTheProgramInEveryBuildType) {
    auto effect = SoundEffect::initWithContentsOfFile(resourcePath("cowbell.caf"));
    ASSERT_NE(effect, nullptr);
    EXPECT_DEATH(effect->setMaximumNumberOfConcurrentSounds(0),
                 "-\\[SoundEffect setMaximumNumberOfConcurrentSounds:\\].*SoundEffect\\.cpp.*"
                 "count > 0");
    EXPECT_DEATH(effect->decrementSoundCounter(),
                 "-\\[SoundEffect decrementSoundCounter\\].*SoundEffect\\.cpp.*_soundCounter > 0");
    // The checks pass for valid input.
    effect->setMaximumNumberOfConcurrentSounds(2);
    effect->play();
    effect->play();
    effect->play();
    EXPECT_EQ(plays.size(), 2u);
    soundCompletionCallback(effect->soundID(), effect.get()); // as the service would
    EXPECT_EQ(effect->soundCounter(), 1u);
}

TEST_F(SoundTest, VibrationIsCountedWithOrWithoutAController) {
    const int before = vibrationCount();
    vibrate();
    vibrate();
    EXPECT_EQ(vibrationCount(), before + 2);
}

} // namespace
