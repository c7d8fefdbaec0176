// The user-defaults store under writers killed with SIGKILL at random moments, also inside a save
// (a save stopped by a full disk is in the store's own suite). Forks before any thread exists.
#include "platform/store/UserDefaults.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/Harness.h"

namespace {

constexpr int kWrites = 1000;
constexpr int kMeanWritesPerKill = 25; // about forty kills over the thousand writes
constexpr int kMaxJitterMicros = 3000; // a few writes' worth: the kill lands anywhere in one

// What the writer stores alongside value i: the keys change together, so a file mixing two
// saves shows up, and the note's length makes the file grow and shrink.
std::int64_t gameTypeFor(int i) {
    return i % 6;
}
std::string noteFor(int i) {
    return std::string(static_cast<std::size_t>((i * 37) % 700), static_cast<char>('a' + i % 26));
}

// The folder's other files than the store and its lock.
std::vector<std::string> litter(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() != ".plist" && entry.path().extension() != ".lock")
            names.push_back(entry.path().filename().string());
    return names;
}

// The child: saves values from..kWrites through the real store, reporting each one on `fd` once
// synchronize has returned. Never returns into the test framework.
[[noreturn]] void writeUntilKilled(const std::string& path, int from, int fd) {
    UserDefaults store(path);
    for (int i = from; i <= kWrites; ++i) {
        store.setObject(std::to_string(i), "highScore");
        store.setObject(gameTypeFor(i), "gameType");
        store.setObject(noteFor(i), "note");
        if (!store.synchronize()) _exit(3);
        if (write(fd, &i, sizeof i) != sizeof i) _exit(4);
    }
    _exit(0);
}

// Reads reports until one reaches `target` (true) or the writer closed the pipe (false).
bool readReportsUntil(int fd, int target, int& last) {
    int value = 0;
    for (;;) {
        const ssize_t n = read(fd, &value, sizeof value);
        if (n < 0 && errno == EINTR) continue;
        if (n != sizeof value) return false;
        last = value;
        if (last >= target) return true;
    }
}

unsigned seedFromEnvironmentOrClock() {
    if (const char* text = std::getenv("SPHERON_CRASH_SEED"))
        return unsigned(std::strtoul(text, nullptr, 10));
    return unsigned(std::chrono::steady_clock::now().time_since_epoch().count());
}

TEST(StoreCrash, SigkillDuringAThousandSavesNeverLeavesAnUnreadableOrOlderStore) {
    ScratchDir dir;
    const std::string path = (dir / "preferences.plist").string();
    const unsigned seed = seedFromEnvironmentOrClock();
    std::cout << "seed " << seed << " (set SPHERON_CRASH_SEED to repeat)\n";
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> writesBeforeKill(0, 2 * kMeanWritesPerKill);
    std::uniform_int_distribution<int> jitter(0, kMaxJitterMicros);

    int next = 1; // the first value the next writer saves
    int kills = 0, killsMidSave = 0;
    while (next <= kWrites) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", kill " + std::to_string(kills + 1));
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            close(report[0]);
            writeUntilKilled(path, next, report[1]);
        }
        close(report[1]);

        int last = next - 1; // the newest value the writer has reported saved
        const bool running = readReportsUntil(report[0], next + writesBeforeKill(random), last);
        if (running) {
            std::this_thread::sleep_for(std::chrono::microseconds(jitter(random)));
            kill(writer, SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        readReportsUntil(report[0], kWrites + 1, last); // what it reported before dying
        close(report[0]);
        if (WIFSIGNALED(status)) {
            ASSERT_EQ(WTERMSIG(status), SIGKILL);
            ++kills;
        } else {
            ASSERT_TRUE(WIFEXITED(status));
            ASSERT_EQ(WEXITSTATUS(status), 0) << "the writer failed a save";
        }

        // A fresh store, as the next start of the game: it must take the file as it is.
        LogCapture log;
        UserDefaults reader(path);
        EXPECT_TRUE(log.lines.empty()) << log.lines.front();
        ASSERT_TRUE(fs::exists(path) || last == 0);
        const int value = int(reader.unsignedForKey("highScore"));
        // The save under way when the kill came either happened whole or not at all.
        ASSERT_TRUE(value == last || value == last + 1) << value << " after " << last;
        if (value > 0) {
            EXPECT_EQ(reader.integerForKey("gameType"), gameTypeFor(value));
            EXPECT_EQ(reader.stringForKey("note"), noteFor(value));
        }
        // A writer killed mid-save may leave its temporary file; later saves must not let
        // such files gather. Nothing is ever set aside.
        const std::vector<std::string> others = litter(dir.path);
        for (const std::string& name : others)
            EXPECT_EQ(name.find(".corrupt"), std::string::npos) << name;
        EXPECT_LE(others.size(), 1u);
        if (!others.empty()) ++killsMidSave; // only this kill's file can still be there
        next = value + 1;
    }
    std::cout << kills << " kills, " << killsMidSave
              << " of them between a save's start and its rename\n";
    EXPECT_GE(kills, 25);
    EXPECT_GT(killsMidSave, 0) << "no kill landed inside a save: the test proved nothing";
    EXPECT_EQ(UserDefaults(path).unsignedForKey("highScore"), unsigned(kWrites));
}

} // namespace
