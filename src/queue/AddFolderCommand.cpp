#include "queue/AddFolderCommand.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "queue/AddFilesCommand.h"
#include "queue/ArchiveSurvey.h"
#include "queue/AsAppError.h"
#include "queue/MessageBoxes.h"
#include "queue/MessageFileName.h"
#include "queue/StampsAhead.h"
#include "scan/PathLogger.h"
#include "shell/ShellHelpers.h"

namespace tolvane::queue {
namespace {

constexpr std::size_t kListedInTheBox = 10;

struct ScanResult {
    std::shared_ptr<StringList> files;
    std::vector<SkippedFolder> skipped;
    std::vector<OtherEntry> others;  // those that look like message files
    std::optional<AppError> failure;
};

// A heading and one line per item in the box's text (the first few) and in its details.
void listInBox(MessageBoxRequest& box, const std::string& heading,
               const std::vector<std::string>& lines) {
    if (lines.empty()) {
        return;
    }
    box.text += "\r\n\r\n" + heading;
    box.details += heading + "\n";
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (k < kListedInTheBox) {
            box.text += "\r\n" + lines[k];
        }
        box.details += lines[k] + "\n";
    }
    if (lines.size() > kListedInTheBox) {
        box.text += "\r\n... and " + std::to_string(lines.size() - kListedInTheBox) +
                    " more (see the details)";
    }
}

// One scanner per click; the list it hands out stays whole after Terminate.
ScanResult scanFolder(const std::string& folder, const scan::FileSystemFactory& fileSystem) {
    auto scanner =
        fileSystem ? std::make_unique<pathLogger>(fileSystem) : std::make_unique<pathLogger>();
    ScanResult result;
    try {
        scanner->PathLogInit();
        scanner->fullFileNamesOnly(true);
        scanner->LogPath(folder);
    } catch (const std::exception& failure) {
        // The files recorded before the failure are still in the list.
        result.failure = AsAppError(failure);
    }
    result.files = scanner->fullFileNames();
    result.skipped = scanner->skippedFolders();
    for (const OtherEntry& entry : scanner->otherEntries()) {
        if (IsQueueableFile(entry.path)) {
            result.others.push_back(entry);
        }
    }
    scanner->Terminate();
    return result;
}

}  // namespace

void AddFolder(QueueWindow& window, shell::PathSyntax syntax, scan::FileSystemFactory fileSystem) {
    Ui& ui = window.ui();
    std::string folder = shell::BrowseForFolder(ui, kChooseSourceFolder);
    if (folder.empty()) {
        return;
    }
    if (folder.back() != shell::separatorOf(syntax)) {
        folder.push_back(shell::separatorOf(syntax));
    }

    ui.setWaitCursor(true);
    ScanResult scan = scanFolder(folder, fileSystem);

    std::int64_t queued = 0;
    // Contacts, appointments and tasks are converted too, but are no messages to count.
    bool othersQueued = false;
    std::vector<std::string> archives;
    const std::span<const std::string> files(scan.files->begin(), scan.files->end());
    StampsAhead stamps(files, IsQueueableFile);
    try {
        for (std::size_t index = 0; index < files.size(); ++index) {
            const std::string& path = files[index];
            ui.doEvents();
            if (window.unloaded()) {
                return;
            }
            if (IsQueueableFile(path)) {
                ui.doEvents();
                if (window.unloaded()) {
                    return;
                }
                if (IsArchiveFile(path)) {
                    ArchiveContents contents = SurveyArchive(path);
                    window.fileQueue().AddQueueRow(path, contents.messages, stamps.take(index));
                    queued += static_cast<std::int64_t>(contents.messages);
                    othersQueued = othersQueued || contents.items > contents.messages;
                    archives.push_back(std::move(contents.line));
                } else if (IsContactOrCalendarFile(path)) {
                    // Items, but no messages.
                    window.fileQueue().AddQueueRow(path, 0, stamps.take(index));
                    othersQueued = true;
                } else {
                    window.fileQueue().AddQueueRow(path, 1, stamps.take(index));
                    ++queued;
                }
            }
        }
    } catch (const std::exception& failure) {
        scan.failure = AsAppError(failure);
    }
    ui.setWaitCursor(false);

    window.setConvertEnabled(queued > 0 || othersQueued);
    const std::string count = std::to_string(queued) + kQueuedForConversion;
    if (!scan.failure && scan.skipped.empty() && scan.others.empty()) {
        MessageBoxRequest box = PlainBox(count);
        listInBox(box, kQueuedArchives, archives);
        ui.messageBox(box);
        return;
    }
    MessageBoxRequest box = WarningBox(
        scan.failure ? scan.failure->numberColonDescription() + "\r\n\r\n" + count : count);
    listInBox(box, kQueuedArchives, archives);
    std::vector<std::string> lines;
    for (const SkippedFolder& folder : scan.skipped) {
        lines.push_back(folder.reason.description());
    }
    listInBox(box, kSkippedFolders, lines);
    lines.clear();
    for (const OtherEntry& entry : scan.others) {
        lines.push_back(entry.path + " (" + scan::describeKind(entry.kind) + ")");
    }
    listInBox(box, kNotFiles, lines);
    ui.messageBox(box);
}

}  // namespace tolvane::queue
