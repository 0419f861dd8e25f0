#include "cli/QueueBuilder.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "platform/Utf8Path.h"
#include "queue/ArchiveSurvey.h"
#include "queue/MessageFileName.h"
#include "scan/PathLogger.h"

namespace tolvane::cli {
namespace {

// What the queue keeps beside a path: its stamp, its messages, an archive's survey line.
void describeQueued(const std::string& path, BuiltQueue& queue, FolderStamps& stamps) {
    // A .vcf or .ics holds items, but no messages.
    std::uint64_t messages = queue::IsContactOrCalendarFile(path) ? 0 : 1;
    if (queue::IsArchiveFile(path)) {
        queue::ArchiveContents contents = queue::SurveyArchive(path);
        messages = contents.messages;
        queue.archives.push_back(std::move(contents.line));
    }
    queue.stamps.push_back(stamps.stampOf(path));
    queue.messages.push_back(messages);
}

// The scanner's files below `folder`; what it recorded before a failure is kept.
void scanFolder(const std::string& folder, BuiltQueue& queue, FolderStamps& stamps) {
    pathLogger scanner;
    try {
        scanner.PathLogInit();
        scanner.fullFileNamesOnly(true);
        scanner.LogPath(folder);
    } catch (const std::exception& failure) {
        queue.problems.push_back(folder + ": the scan stopped: " + failure.what());
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
    // The paths move into the queue: with the scan's listing and keys dropped first, a large
    // folder's paths are never held twice.
    const auto names = scanner.fullFileNames();
    scanner.Terminate();
    std::vector<std::string> found = names->TakeValues();
    std::erase_if(found, [](const std::string& path) { return !queue::IsQueueableFile(path); });
    // The queue's other lists are made their size at once: grown by doubling, each would for
    // a moment need its old room and twice that, with 1,000,000 paths a lot.
    const auto room = queue.paths.size() + found.size();
    queue.stamps.reserve(room);
    queue.messages.reserve(room);
    for (const std::string& path : found) {
        describeQueued(path, queue, stamps);
    }
    if (queue.paths.empty()) {
        queue.paths = std::move(found);
    } else {
        queue.paths.reserve(room);
        std::move(found.begin(), found.end(), std::back_inserter(queue.paths));
    }
}

}  // namespace

BuiltQueue buildQueue(const std::vector<std::string>& arguments) {
    BuiltQueue queue;
    FolderStamps stamps;
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
            scanFolder(folder, queue, stamps);
        } else {
            std::string file = path.string();
            describeQueued(file, queue, stamps);
            queue.paths.push_back(std::move(file));
        }
    }
    return queue;
}

}  // namespace tolvane::cli
