#include "queue/AddFilesCommand.h"

#include <exception>
#include <string>

#include "queue/ArchiveSurvey.h"
#include "queue/AsAppError.h"
#include "queue/ExplorerView.h"
#include "queue/FileOpenResult.h"
#include "queue/MessageBoxes.h"
#include "queue/MessageFileName.h"

namespace tolvane::queue {

void AddMessageFiles(QueueWindow& window, ViewSettingsStore& viewSettings,
                     shell::PathSyntax syntax) {
    Ui& ui = window.ui();
    try {
        ToggleExplorerView(viewSettings);
        FileOpenRequest request;
        request.filter = kMessageFileFilter;
        request.multiSelect = true;
        request.showHidden = HiddenFilesShown(viewSettings);
        request.maxFiles = kMaxFilesPerSelection;
        const std::string result = ui.openFiles(request);
        if (result.empty()) {
            return;
        }
        window.setConvertEnabled(true);
        const std::vector<std::string> paths = PathsOfFileOpenResult(result, syntax);
        // What each archive holds, which its name does not say.
        std::string archives;
        FolderStamps stamps;  // the files picked together share a folder
        for (const auto& path : paths) {
            if (IsArchiveFile(path)) {
                const ArchiveContents contents = SurveyArchive(path);
                window.fileQueue().AddQueueRow(path, contents.messages, stamps.stampOf(path));
                archives += "\r\n" + contents.line;
            } else if (IsContactOrCalendarFile(path)) {
                // Items, but no messages.
                window.fileQueue().AddQueueRow(path, 0, stamps.stampOf(path));
            } else {
                window.fileQueue().AddQueueRow(path, 1, stamps.stampOf(path));
            }
        }
        if (!archives.empty()) {
            ui.messageBox(PlainBox(kQueuedArchives + archives));
        }
    } catch (const std::exception& failure) {
        const AppError error = AsAppError(failure);
        const std::string text =
            error.number() == errc::kDialogResultTooLarge
                ? "Please select only " + std::to_string(kMaxFilesPerSelection) + " files at a time"
                : error.numberColonDescription();
        ui.messageBox(WarningBox(text));
    }
}

}  // namespace tolvane::queue
