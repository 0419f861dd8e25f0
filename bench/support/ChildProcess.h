#pragma once

// A benchmark case in a process of its own, so its peak memory is its own and its processor
// time counts every thread: measured from outside, by the parent.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "support/Timing.h"

namespace tolvane::bench {

struct ChildRun {
    int exitStatus = -1;  // -1: it did not exit normally, or never started
    double seconds = 0;
    double cpuSeconds = 0;  // user and system time of the process and all its threads
    double peakRssMiB = 0;
    double diskReadMiB = 0;  // what the file systems read from the disk for it
};

// Waits for a child started at `start` (forked or spawned) and measures it.
inline ChildRun waitForChild(pid_t child, Clock::time_point start) {
    ChildRun run;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        return run;
    }
    run.seconds = secondsSince(start);
    run.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    run.peakRssMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.diskReadMiB = static_cast<double>(usage.ru_inblock) * 512 / (1 << 20);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Runs `body` in a forked child; its exit status is what `body` returns.
inline ChildRun inChild(const std::function<int()>& body) {
    std::fflush(stdout);
    std::fflush(stderr);
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return {};
    }
    if (child == 0) {
        const int status = body();
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(status);
    }
    return waitForChild(child, start);
}

// Runs a program (args[0]) with its standard output and error written to the files named.
inline ChildRun spawned(const std::vector<std::string>& args, const std::string& output,
                        const std::string& errors) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t child = 0;
    const int failed =
        posix_spawn(&child, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        std::perror("posix_spawn");
        return {};
    }
    return waitForChild(child, start);
}

}  // namespace tolvane::bench
