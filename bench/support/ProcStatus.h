#pragma once

// The benches' memory figures, read where the kernel keeps them.

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
