#include <windows.h>

#include <csignal>

#include "convert/StopSignals.h"

namespace tolvane::convert {
namespace {

volatile LONG received = 0;

// Set by runSettled; manual reset, so every waiting handler goes.
HANDLE settled() {
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

}  // namespace

// The console's control events under the numbers of the signals they stand for: Ctrl+C is an
// interrupt, Ctrl+Break and closing the console a hang-up, log-off and shut-down a
// termination request.
int __stdcall handleConsoleEvent(unsigned long event) {
    int number = 0;
    bool endsProcess = false;
    switch (event) {
        case CTRL_C_EVENT:
            number = SIGINT;
            break;
        case CTRL_BREAK_EVENT:
            number = 1;  // SIGHUP
            break;
        case CTRL_CLOSE_EVENT:
            number = 1;  // SIGHUP
            endsProcess = true;
            break;
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            number = SIGTERM;
            endsProcess = true;
            break;
        default:
            return FALSE;
    }
    InterlockedCompareExchange(&received, number, 0);
    // Windows ends the process once this returns from a close, log-off or shut-down, so it
    // returns only when the run has stopped with its file committed and named, or main has
    // ended the process itself. Windows' own time limit (about 5 s for a close, more at
    // shut-down) still applies; a run cut there leaves its last commit, valid, under the
    // working name.
    if (endsProcess) {
        WaitForSingleObject(settled(), INFINITE);
    }
    return TRUE;
}

void installStopSignals() {
    settled();
    SetConsoleCtrlHandler(handleConsoleEvent, TRUE);
}

int stopSignal() {
    return static_cast<int>(received);
}

void runSettled() {
    SetEvent(settled());
}

}  // namespace tolvane::convert
