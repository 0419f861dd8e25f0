#include "cli/QueueBuilder.h"

#include <filesystem>
#include <system_error>

#include "platform/Utf8Path.h"
#include "queue/MessageFileName.h"
#include "scan/PathLogger.h"

namespace tolvane::cli {
namespace {

// The scanner's files below `folder`; what it recorded before a failure is kept.
void scanFolder(const std::string& folder, BuiltQueue& queue) {
    pathLogger scanner;
    try {
        scanner.PathLogInit();
        scanner.fullFileNamesOnly(true);
        scanner.LogPath(folder);
    } catch (const std::exception& failure) {
        queue.problems.push_back(folder + ": the scan stopped: " + failure.what());
    }
    for (const std::string& path : *scanner.fullFileNames()) {
        if (queue::IsQueueableFile(path)) {
            queue.paths.push_back(path);
            queue.stamps.push_back(stampOf(path));
        }
    }
    for (const SkippedFolder& skipped : scanner.skippedFolders()) {
        queue.problems.push_back("skipped: " + skipped.reason.description());
    }
    for (const OtherEntry& entry : scanner.otherEntries()) {
        if (queue::IsQueueableFile(entry.path)) {
            queue.problems.push_back("not queued: " + entry.path + " is " +
                                     scan::describeKind(entry.kind) + ", not a message file");
        }
    }
    scanner.Terminate();
}

}  // namespace

BuiltQueue buildQueue(const std::vector<std::string>& arguments) {
    BuiltQueue queue;
    for (const std::string& argument : arguments) {
        std::error_code error;
        const auto path =
            std::filesystem::absolute(PathFromUtf8(argument), error).lexically_normal();
        const auto status = std::filesystem::symlink_status(path, error);
        if (status.type() == std::filesystem::file_type::not_found) {
            queue.problems.push_back(argument + ": no such file or folder");
            continue;
        }
        if (std::filesystem::is_directory(path, error)) {
            std::string folder = path.string();
            const auto separator = static_cast<char>(std::filesystem::path::preferred_separator);
            if (folder.back() != separator) {
                folder += separator;
            }
            scanFolder(folder, queue);
        } else {
            queue.paths.push_back(path.string());
            queue.stamps.push_back(stampOf(path.string()));
        }
    }
    return queue;
}

}  // namespace tolvane::cli
