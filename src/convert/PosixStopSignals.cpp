#include <signal.h>

#include <csignal>
#include <initializer_list>

#include "convert/StopSignals.h"

namespace tolvane::convert {
namespace {

volatile std::sig_atomic_t received = 0;

extern "C" void rememberSignal(int number) {
    if (received == 0) {
        received = number;
    }
}

}  // namespace

void installStopSignals() {
    struct sigaction action {};
    action.sa_handler = rememberSignal;
    sigemptyset(&action.sa_mask);
    // Restarted system calls: a write interrupted by the signal goes on, the job stops at
    // its next yield.
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGHUP, SIGINT, SIGTERM}) {
        sigaction(number, &action, nullptr);
    }
    // Past RLIMIT_FSIZE a write fails with EFBIG instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
}

int stopSignal() {
    return received;
}

void runSettled() {}

}  // namespace tolvane::convert
