#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileStamp.h"

namespace tolvane::cli {

struct BuiltQueue {
    std::vector<std::string> paths;  // absolute, in argument order, folders in scan order
    std::vector<std::optional<FileStamp>> stamps;  // each path's file when it was queued
    std::vector<std::uint64_t> messages;           // each path's messages: an archive's as counted
    // What each queued export archive holds, one line each, as Add Files shows it.
    std::vector<std::string> archives;
    // Arguments that do not exist, folders the scans skipped, entries named like message
    // files that are no files; one sentence each.
    std::vector<std::string> problems;
};

// A file argument (anything that is not a folder, a broken link included) is queued as
// given, made absolute; a folder is scanned like Add Folder and its .eml files and archives
// queued. Each archive is read through once to count its messages. An argument that names
// nothing is a problem, not a queued path.
BuiltQueue buildQueue(const std::vector<std::string>& arguments);

}  // namespace tolvane::cli
