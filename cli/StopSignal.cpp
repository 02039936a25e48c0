// SIGINT, SIGTERM and SIGHUP during a radio command: noted, so the command stops between two exchanges.
#include "cli/StopSignal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstddef>

namespace vantrel::stopSignal {

namespace {

volatile sig_atomic_t g_pending = 0;
// Radio scopes alive; the handler only reads it.
volatile sig_atomic_t g_radioScopes = 0;
// The self-pipe: the handler writes to [1], a waiting loop polls [0].
int g_wake[2] = {-1, -1};

void wake() {
    if (g_wake[1] >= 0) {
        const char byte = 1;
        // Non-blocking: a full pipe already wakes the reader.
        [[maybe_unused]] const ssize_t written = ::write(g_wake[1], &byte, 1);
    }
}

extern "C" void onStopSignal(int signal) {
    if (g_radioScopes == 0) {
        // Nothing to leave safe: end now, also out of a wait that no flag would break (a FIFO's open, a
        // read of the terminal). Only async-signal-safe calls here.
        static const char kInterrupt[] = "vantrel-cli: stopped by SIGINT\n";
        static const char kTerminate[] = "vantrel-cli: stopped by SIGTERM\n";
        static const char kHangUp[] = "vantrel-cli: stopped by SIGHUP\n";
        const char* text = signal == SIGINT ? kInterrupt : signal == SIGHUP ? kHangUp : kTerminate;
        const std::size_t length = signal == SIGINT   ? sizeof kInterrupt - 1
                                   : signal == SIGHUP ? sizeof kHangUp - 1
                                                      : sizeof kTerminate - 1;
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, length);
        ::_exit(128 + signal);
    }
    g_pending = signal;
    wake();
}

}  // namespace

void install() {
    if (g_wake[0] < 0 && ::pipe(g_wake) == 0) {
        for (const int fd : g_wake) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A terminal or a remote shell that goes away must leave the radio as safe as Ctrl+C does.
    sigaction(SIGHUP, &action, nullptr);
    // A reader of standard output that goes away must not end the tool between two exchanges with the
    // radio keyed: the failed write (EPIPE) is noticed and handled instead.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

RadioScope::RadioScope() {
    g_radioScopes = g_radioScopes + 1;
}

RadioScope::~RadioScope() {
    g_radioScopes = g_radioScopes - 1;
}

int pending() {
    return g_pending;
}

void note(int signal) {
    g_pending = signal;
    if (signal != 0)
        wake();
}

int wakeDescriptor() {
    return g_wake[0];
}

}  // namespace vantrel::stopSignal
