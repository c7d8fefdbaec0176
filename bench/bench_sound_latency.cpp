// How late a sound is heard: the time from systemSoundPlay() to the first samples that are not
// silence reaching SDL's `disk` audio driver (which writes each mixed buffer to a file as it goes
// out), for a play after a long silence and for one right after another sound; and the threads
// the process runs while nothing sounds.
//   SDL_AUDIODRIVER=disk bench/bench_sound_latency [SOUND] [ROUNDS] [REST_SECONDS]
// SOUND defaults to the game's pop; each round rests REST_SECONDS (default 7) before its first
// play. The disk driver's buffers last as long as real ones (1024 frames, 23 ms at 44.1 kHz).
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/base/RunLoop.h"
#include "platform/media/SystemSound.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string outputFile() {
    const char* path = std::getenv("SDL_DISKAUDIOFILE");
    return path ? path : "sdlaudio.raw";
}

int threadCount() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            n += entry->d_name[0] != '.';
        closedir(dir);
    }
    return n;
}

// Runs the main loop (completions, the service's own tasks) for `seconds`.
void rest(double seconds) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end)
        RunLoop::main().runOnce(std::chrono::milliseconds(20));
}

// Milliseconds from the play to the first non-zero byte written after it; -1 after 2 s without.
double playAndWait(SystemSoundID id) {
    const std::string path = outputFile();
    struct stat st {};
    long offset = stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
    const auto start = Clock::now();
    systemSoundPlay(id);
    std::vector<char> buffer(1 << 16);
    while (Clock::now() - start < std::chrono::seconds(2)) {
        std::ifstream in(path, std::ios::binary);
        in.seekg(0, std::ios::end);
        const long size = in ? static_cast<long>(in.tellg()) : 0;
        if (size < offset) offset = 0; // the device was opened anew: a new file
        if (size > offset) {
            in.seekg(offset);
            const long n = std::min<long>(size - offset, static_cast<long>(buffer.size()));
            in.read(buffer.data(), n);
            const long got = static_cast<long>(in.gcount());
            if (std::any_of(buffer.begin(), buffer.begin() + got, [](char c) { return c != 0; }))
                return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            offset += got;
        }
        usleep(200);
    }
    return -1.0;
}

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s median %6.1f ms  min %6.1f  max %6.1f  (%zu plays)\n", what,
                ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
}

} // namespace

int main(int argc, char** argv) {
    const std::string sound = argc > 1 ? argv[1] : SPHERON_RESOURCES "/pop.caf";
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const double restSeconds = argc > 3 ? std::atof(argv[3]) : 7.0;
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    if (!driver || std::string(driver) != "disk") {
        std::fprintf(stderr, "bench_sound_latency: run with SDL_AUDIODRIVER=disk\n");
        return 2;
    }
    std::printf("threads before any sound: %d\n", threadCount());
    SystemSoundID id = 0;
    if (const int error = systemSoundCreate(sound, &id)) {
        std::fprintf(stderr, "bench_sound_latency: %s: %s\n", sound.c_str(),
                     systemSoundErrorText(error));
        return 1;
    }
    std::vector<double> afterRest, afterSound;
    int restingThreads = 0;
    for (int round = 0; round < rounds; ++round) {
        rest(restSeconds);
        restingThreads = std::max(restingThreads, threadCount());
        afterRest.push_back(playAndWait(id));
        rest(0.5); // the pop lasts 0.12 s
        afterSound.push_back(playAndWait(id));
    }
    std::printf("threads after %.0f s of silence: %d\n", restSeconds, restingThreads);
    report("first sound after silence:", afterRest);
    report("sound 0.5 s after another:", afterSound);
    systemSoundShutdown();
    return 0;
}
