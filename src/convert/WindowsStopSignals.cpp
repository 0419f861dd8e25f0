#include <windows.h>

#include <csignal>

#include "convert/StopSignals.h"

namespace tolvane::convert {
namespace {

volatile LONG received = 0;

// The console's control events under the numbers of the signals they stand for: Ctrl+C is an
// interrupt, Ctrl+Break and closing the console a hang-up, log-off and shut-down a
// termination request.
BOOL WINAPI rememberEvent(DWORD event) {
    int number = 0;
    switch (event) {
        case CTRL_C_EVENT:
            number = SIGINT;
            break;
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
            number = 1;  // SIGHUP
            break;
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            number = SIGTERM;
            break;
        default:
            return FALSE;
    }
    InterlockedCompareExchange(&received, number, 0);
    return TRUE;
}

}  // namespace

void installStopSignals() {
    SetConsoleCtrlHandler(rememberEvent, TRUE);
}

int stopSignal() {
    return static_cast<int>(received);
}

}  // namespace tolvane::convert
