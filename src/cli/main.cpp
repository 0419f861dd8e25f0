#include <unistd.h>

#include <iostream>

#include "cli/ConvertCommand.h"
#include "convert/StopSignals.h"

int main(int argc, char* argv[]) {
    // A hang-up, an interrupt or a termination request stops the job at its next yield, so
    // the PST is committed and named; a file-size limit becomes a write error.
    tolvane::convert::installStopSignals();
    const std::vector<std::string> args(argv + 1, argv + argc);
    return tolvane::cli::runConvert(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0,
                                    [] { return tolvane::convert::stopSignal() != 0; });
}
