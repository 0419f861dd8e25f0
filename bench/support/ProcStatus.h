#pragma once

// The benches' memory figures, read where the kernel keeps them.

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

// A line of /proc/self/status in KiB: "VmRSS" now, "VmHWM" at the peak; -1 when missing.
inline long procStatusKiB(std::string_view field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.size() > field.size() && line.compare(0, field.size(), field) == 0 &&
            line[field.size()] == ':') {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

// The goal of a run that must stop growing: `what` (VmRSS or VmHWM) at most 2 MiB more at the
// end than once a quarter of the items was written. Prints both and the verdict.
inline bool heldFlat(const char* what, long atQuarterKiB, long atEndKiB) {
    const bool flat = atEndKiB <= atQuarterKiB + 2048;
    std::printf(
        "written: %s %ld KiB at a quarter, %ld KiB at the end (goal: at most 2 MiB more: "
        "%s)\n",
        what, atQuarterKiB, atEndKiB, flat ? "met" : "MISSED");
    return flat;
}
