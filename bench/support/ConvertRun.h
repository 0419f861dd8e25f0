#pragma once

// tolvane-convert run as the user runs it, in a process of its own, measured from outside;
// its last line on standard error is kept to check what it converted.

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/ChildProcess.h"

extern char** environ;

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
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string destArg = dest.string();
    const std::string sourceArg = source.string();
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--dest"),
                    const_cast<char*>(destArg.c_str()), const_cast<char*>(sourceArg.c_str()),
                    nullptr};
    cpu_set_t before;
    sched_getaffinity(0, sizeof before, &before);
    if (oneCpu >= 0) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(oneCpu, &one);
        sched_setaffinity(0, sizeof one, &one);
    }
    const auto start = Clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, environ);
    sched_setaffinity(0, sizeof before, &before);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::perror("posix_spawn");
        return {};
    }
    ConvertRun run{waitForChild(child, start), {}};
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            run.summary = line;
        }
    }
    return run;
}

}  // namespace tolvane::bench
