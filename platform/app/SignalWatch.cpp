// SIGINT and SIGTERM become an orderly quit: the handler only writes a byte to a pipe, and a
// watcher thread turns that into a quit posted to the main loop.
#include "platform/app/ApplicationParts.h"

#include "platform/app/Application.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"

namespace {

int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t signalCaught = 0;

extern "C" void onTerminationSignal(int signal) {
    // Only async-signal-safe calls here. A second signal finds the default action back in
    // place and ends the process at once, should the orderly quit hang.
    const int savedErrno = errno;
    signalCaught = signal;
    const auto byte = static_cast<unsigned char>(signal);
    if (write(signalPipe[1], &byte, 1) < 0) {
        // The pipe is full or gone: the quit is under way already.
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    errno = savedErrno;
}


} // namespace

struct SignalWatch::State {
public:
    State() {
        if (pipe2(signalPipe, O_CLOEXEC) != 0) {
            platformLog("signals: no pipe (%s); SIGINT and SIGTERM end the game unsaved",
                        std::strerror(errno));
            return;
        }
        fcntl(signalPipe[1], F_SETFL, fcntl(signalPipe[1], F_GETFL) | O_NONBLOCK);
        signalCaught = 0;
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
        installed_ = true;
        watcher_ = std::thread([] { watch(); });
    }

    ~State() {
        if (!installed_) return;
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
        const unsigned char stop = 0;
        if (write(signalPipe[1], &stop, 1) < 0) {
            // Cannot happen with an empty pipe; the close below ends the watcher anyway.
        }
        watcher_.join();
        close(signalPipe[0]);
        close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }

    State(const State&) = delete;
    State& operator=(const State&) = delete;

private:
    static void watch() {
        for (;;) {
            unsigned char byte = 0;
            const ssize_t n = read(signalPipe[0], &byte, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || byte == 0) return;
            const int signal = byte;
            RunLoop::main().post([signal] {
                platformLog("%s: quitting", signal == SIGINT ? "SIGINT" : "SIGTERM");
                RunLoop::main().quit();
            });
        }
    }

    bool installed_ = false;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
    std::thread watcher_;
};

SignalWatch::SignalWatch() : state_(std::make_unique<State>()) {}
SignalWatch::~SignalWatch() = default;
