#pragma once

// The benchmarks' clocks: wall time, this process's processor time (user and system, which a
// busy shared machine does not inflate as it does wall time), peak memory, and the median of
// rounds.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace tolvane::bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double secondsOf(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

inline double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
}

inline double peakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

struct Timed {
    double seconds = 0;
    double cpuSeconds = 0;
};

template <typename F>
Timed timed(F&& f) {
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds();
    f();
    return {secondsSince(start), cpuSeconds() - cpuStart};
}

// The middle value of the rounds, by `less` (wall time for runs).
template <typename T, typename Less = std::less<T>>
T median(std::vector<T> values, Less less = {}) {
    std::sort(values.begin(), values.end(), less);
    return values[values.size() / 2];
}

inline bool fasterWall(const Timed& a, const Timed& b) {
    return a.seconds < b.seconds;
}

}  // namespace tolvane::bench
