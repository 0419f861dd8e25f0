#pragma once

// The operating system's requests to end the program. A hang-up, an interrupt or a
// termination request ends a run the way Stop does (the PST committed under its final name,
// the counts told); a file-size limit is not a signal but a write error the run reports.

namespace tolvane::convert {

// Installs the handlers; call once, early in main.
void installStopSignals();
// The number of the first signal that asked to stop, or 0.
int stopSignal();
// The run is over and its file named. On Windows a console close, log-off or shut-down ends
// the process as soon as its handler returns, so the handler waits for this (or for the
// process to end); elsewhere a signal's handler returns at once and this does nothing.
void runSettled();

#ifdef _WIN32
// The console control handler installStopSignals registers, for tests to call as the
// system does (BOOL WINAPI (DWORD)).
int __stdcall handleConsoleEvent(unsigned long event);
#endif

}  // namespace tolvane::convert
