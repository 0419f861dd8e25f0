#pragma once

// The operating system's requests to end the program. A hang-up, an interrupt or a
// termination request ends a run the way Stop does (the PST committed under its final name,
// the counts told); a file-size limit is not a signal but a write error the run reports.

namespace tolvane::convert {

// Installs the handlers; call once, early in main.
void installStopSignals();
// The number of the first signal that asked to stop, or 0.
int stopSignal();

}  // namespace tolvane::convert
