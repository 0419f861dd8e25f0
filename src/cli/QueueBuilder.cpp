#include "cli/QueueBuilder.h"

#include <algorithm>
#include <filesystem>
#include <future>
#include <iterator>
#include <optional>
#include <span>
#include <system_error>

#include "platform/Utf8Path.h"
#include "queue/ArchiveSurvey.h"
#include "queue/MessageFileName.h"
#include "scan/PathLogger.h"

namespace tolvane::cli {
namespace {

// A folder of at least this many files is stamped on two threads.
constexpr std::size_t kStampsOnTwoThreads = 1024;

// What the queue keeps beside a path, its stamp apart: its messages, an archive's survey line.
void describeQueued(const std::string& path, BuiltQueue& queue) {
    // A .vcf or .ics holds items, but no messages.
    std::uint64_t messages = queue::IsContactOrCalendarFile(path) ? 0 : 1;
    if (queue::IsArchiveFile(path)) {
        queue::ArchiveContents contents = queue::SurveyArchive(path);
        messages = contents.messages;
        queue.archives.push_back(std::move(contents.line));
    }
    queue.messages.push_back(messages);
}

void stampInto(std::span<const std::string> paths, std::span<std::optional<FileStamp>> out) {
    FolderStamps stamps;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        out[i] = stamps.stampOf(paths[i]);
    }
}

// Appends the stamps of `paths` to the queue's. A stat is most of what queuing a file costs,
// and while a run's queue is built nothing else keeps the second core busy, so a large folder
// is stamped in two halves at once.
void stampAll(const std::vector<std::string>& paths, BuiltQueue& queue) {
    const std::size_t first = queue.stamps.size();
    queue.stamps.resize(first + paths.size());
    const std::span<const std::string> all(paths);
    const std::span<std::optional<FileStamp>> out(queue.stamps.data() + first, paths.size());
    if (paths.size() < kStampsOnTwoThreads) {
        stampInto(all, out);
        return;
    }
    const std::size_t half = paths.size() / 2;
    auto secondHalf =
        std::async(std::launch::async, stampInto, all.subspan(half), out.subspan(half));
    stampInto(all.first(half), out.first(half));
    secondHalf.get();
}

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
    stampAll(found, queue);
    for (const std::string& path : found) {
        describeQueued(path, queue);
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
    FolderStamps fileStamps;  // files named one by one, often many from one folder
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
            std::string file = path.string();
            queue.stamps.push_back(fileStamps.stampOf(file));
            describeQueued(file, queue);
            queue.paths.push_back(std::move(file));
        }
    }
    return queue;
}

}  // namespace tolvane::cli
