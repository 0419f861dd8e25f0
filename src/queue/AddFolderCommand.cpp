#include "queue/AddFolderCommand.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "queue/AsAppError.h"
#include "queue/MessageBoxes.h"
#include "queue/MessageFileTest.h"
#include "scan/PathLogger.h"
#include "shell/ShellHelpers.h"

namespace tolvane::queue {
namespace {

struct ScanResult {
    std::shared_ptr<StringList> files;
    std::optional<AppError> failure;
};

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
    try {
        for (const std::string& path : *scan.files) {
            ui.doEvents();
            if (window.unloaded()) {
                return;
            }
            if (IsMessageFile(path)) {
                ui.doEvents();
                if (window.unloaded()) {
                    return;
                }
                window.fileQueue().AddQueueRow(path);
                ++queued;
            }
        }
    } catch (const std::exception& failure) {
        scan.failure = AsAppError(failure);
    }
    ui.setWaitCursor(false);

    window.setConvertEnabled(queued > 0);
    const std::string count = std::to_string(queued) + kQueuedForConversion;
    if (scan.failure) {
        ui.messageBox(WarningBox(scan.failure->numberColonDescription() + "\r\n\r\n" + count));
    } else {
        ui.messageBox(PlainBox(count));
    }
}

}  // namespace tolvane::queue
