#include <iostream>

#include "cli/ConvertCommand.h"
#include "convert/StopSignals.h"

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#include <shellapi.h>

#include "platform/win32/WideText.h"
#else
#include <unistd.h>
#endif

namespace {

// The arguments as UTF-8, as the program takes every path: on Windows from the UTF-16 command
// line, since the narrow one holds only what the ANSI code page can spell.
std::vector<std::string> arguments(int argc, char* argv[]) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int k = 1; k < count; ++k) {
        args.push_back(tolvane::win32::Narrow(wide[k]));
    }
    LocalFree(wide);
    // What the program prints is UTF-8: a console shows it so, and a pipe passes it on.
    SetConsoleOutputCP(CP_UTF8);
    return args;
#else
    return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

bool standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    // A hang-up, an interrupt or a termination request stops the job at its next yield, so
    // the PST is committed and named; a file-size limit becomes a write error.
    tolvane::convert::installStopSignals();
    const int status = tolvane::cli::runConvert(arguments(argc, argv), std::cout, std::cerr,
                                                standardErrorIsTerminal(),
                                                [] { return tolvane::convert::stopSignal() != 0; });
    std::cout.flush();
    std::cerr.flush();
    tolvane::convert::runSettled();
    return status;
}
