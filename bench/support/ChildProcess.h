#pragma once

// A benchmark case in a process of its own, so its peak memory is its own and its processor
// time counts every thread: measured from outside, by the parent.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "support/Timing.h"

namespace tolvane::bench {

struct ChildRun {
    int exitStatus = -1;  // -1: it did not exit normally, or never started
    double seconds = 0;
    double cpuSeconds = 0;  // user and system time of the process and all its threads
    double peakRssMiB = 0;
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

}  // namespace tolvane::bench
