#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace tolvane::bench {

// A new folder "tolvane-NAME-XXXXXX" in the temporary folder (TMPDIR when set); the
// benchmark ends at once when none can be made.
inline std::filesystem::path makeTempFolder(const std::string& name) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("tolvane-" + name + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return pattern;
}

}  // namespace tolvane::bench
