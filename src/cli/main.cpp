#include <unistd.h>

#include <csignal>
#include <iostream>

#include "cli/ConvertCommand.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

}  // namespace

int main(int argc, char* argv[]) {
    // An interrupt stops the job at its next yield, so the PST is closed valid.
    std::signal(SIGINT, [](int) { interrupted = 1; });
    std::signal(SIGTERM, [](int) { interrupted = 1; });
    const std::vector<std::string> args(argv + 1, argv + argc);
    return tolvane::cli::runConvert(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0,
                                    [] { return interrupted != 0; });
}
