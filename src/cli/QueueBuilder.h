#pragma once

#include <string>
#include <vector>

namespace tolvane::cli {

struct BuiltQueue {
    std::vector<std::string> paths;     // absolute, in argument order, folders in scan order
    std::vector<std::string> problems;  // arguments that do not exist, scans cut short
    bool scanIncomplete = false;
};

// A file argument (anything that is not a folder, a broken link included) is queued as
// given, made absolute; a folder is scanned like Add Folder and its .eml files queued. An
// argument that names nothing is a problem, not a queued path.
BuiltQueue buildQueue(const std::vector<std::string>& arguments);

}  // namespace tolvane::cli
