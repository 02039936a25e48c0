// SIGINT and SIGTERM during a radio command: noted, so the command stops between two exchanges.
#include "cli/StopSignal.h"

#include <signal.h>

namespace vantrel::stopSignal {

namespace {

volatile sig_atomic_t g_pending = 0;

extern "C" void onStopSignal(int signal) {
    g_pending = signal;
}

}  // namespace

void install() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int pending() {
    return g_pending;
}

void note(int signal) {
    g_pending = signal;
}

}  // namespace vantrel::stopSignal
