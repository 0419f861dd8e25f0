#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tolvane::cli {

struct CliArguments {
    bool help = false;
    bool version = false;
    std::string dest;                // empty: the current folder
    std::string charset;             // empty: the locale's, for 8-bit text naming none
    std::vector<std::string> paths;  // .eml files and folders, as given
};

// Parses `[--dest DIR] [--charset NAME] PATH...` (also --dest=DIR and --charset=NAME,
// -h/--help, /? on Windows, --version, and "--" before paths that start with a dash). Returns the
// problem as text when the arguments are bad.
std::optional<CliArguments> parseArguments(const std::vector<std::string>& args,
                                           std::string& problem);

extern const char* const kUsage;

}  // namespace tolvane::cli
