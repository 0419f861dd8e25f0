#pragma once

// tolvane-convert run as the user runs it, in a process of its own, measured from outside;
// its last line on standard error is kept to check what it converted.

#include <sched.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/ChildProcess.h"

namespace tolvane::bench {

struct ConvertRun : ChildRun {
    std::string summary;  // tolvane-convert's last line on standard error
};

// Converts `source` into a new PST in `dest`, standard error into `log`. With `oneCpu` the
// program runs on that processor alone (the child inherits this thread's affinity at spawn).
inline ConvertRun runConvert(const std::string& program, const std::filesystem::path& source,
                             const std::filesystem::path& dest, const std::filesystem::path& log,
                             int oneCpu = -1) {
    std::filesystem::create_directories(dest);
    cpu_set_t before;
    sched_getaffinity(0, sizeof before, &before);
    if (oneCpu >= 0) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(oneCpu, &one);
        sched_setaffinity(0, sizeof one, &one);
    }
    ConvertRun run{
        spawned({program, "--dest", dest.string(), source.string()}, "/dev/null", log.string()),
        {}};
    sched_setaffinity(0, sizeof before, &before);
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            run.summary = line;
        }
    }
    return run;
}

}  // namespace tolvane::bench
