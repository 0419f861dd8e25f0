#include "convert/ConversionJob.h"

#include <algorithm>

#include "convert/FolderPaths.h"
#include "mapi/Tags.h"
#include "platform/AppError.h"
#include "store/Folder.h"
#include "store/MAPIUtils.h"
#include "store/MailItem.h"
#include "store/Store.h"

namespace tolvane::convert {
namespace {

constexpr const char* kPickerTitle = "Choose Folder to Save...";
constexpr const char* kClosingText = "Open Outlook to view converted PST file.";
constexpr const char* kCrLf = "\r\n";
constexpr int kDefaultStoreFormat = 1;
constexpr int kMailFolderType = 6;
constexpr int kMailItemType = 0;
constexpr int kRfc822Format = 1024;
constexpr std::uint32_t kMessageFlagsTag = mapi::tag::kMessageFlags.value();
constexpr std::int64_t kReadAndHasAttachment = 17;

std::string trimSpaces(const std::string& text) {
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// A POSIX destination keeps its own separator; anything else gets a backslash.
std::string withTrailingSeparator(const std::string& folder) {
    if (folder.back() == '\\' || folder.back() == '/') {
        return folder;
    }
    return folder + (folder.front() == '/' ? "/" : "\\");
}

class RunningFlag {
  public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningFlag() { flag_ = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

  private:
    bool& flag_;
};

}  // namespace

ConversionJob::ConversionJob(Ui& ui, QueueSource& queue, ProgressSink& progress, JobState& state,
                             JobEnvironment environment)
    : ui_(ui),
      queue_(queue),
      progress_(progress),
      state_(state),
      environment_(std::move(environment)) {}

void ConversionJob::CmdExtractDBX_Click() {
    if (running_) {
        return;
    }
    RunningFlag running(running_);
    stopRequested_ = false;
    report_ = {};
    // However the run ends, nothing more is read ahead for it.
    struct WithdrawReadAhead {
        ConversionJob& job;
        ~WithdrawReadAhead() { job.announceReadAhead({}); }
    } withdraw{*this};
    try {
        run();
    } catch (const StopRequested&) {
        finishStopped();
    }
}

void ConversionJob::announceReadAhead(std::vector<std::string> paths) {
    if (environment_.readAhead) {
        environment_.readAhead(std::move(paths));
    }
}

void ConversionJob::yield() {
    ui_.doEvents();
    if (stopRequested_ || (environment_.stopRequested && environment_.stopRequested())) {
        throw StopRequested{};
    }
}

void ConversionJob::run() {
    const std::string picked = ui_.browseForFolder(kPickerTitle);
    if (picked.empty()) {
        report_.outcome = RunReport::Outcome::Cancelled;
        return;
    }
    state_.destFolder = withTrailingSeparator(picked);
    yield();

    progress_.setBarRange(0, 100);
    yield();

    std::string entryId;
    try {
        entryId = prepareStore();
    } catch (const std::exception& e) {
        report_.outcome = RunReport::Outcome::Failed;
        report_.errorCause = e.what();
        showErrorBox(e.what());
        return;
    }

    createFolders(entryId);
    storeMessages(entryId);
    finish();
}

std::string ConversionJob::prepareStore() {
    auto session = environment_.createSession();
    session->Logon();
    state_.session = std::move(session);  // a session held from a failed run goes here

    const std::string storePath =
        state_.destFolder + "ZimbraMails" + formatTimeStamp(environment_.clock()) + ".pst";
    state_.storeDisplayName =
        std::string("Zimbra Mails") + " : Created - " + formatTimeStamp(environment_.clock());

    const auto store = state_.session->Stores().AddPSTStore(storePath, kDefaultStoreFormat,
                                                            state_.storeDisplayName);
    report_.storePath = storePath;
    const std::string entryId = store->EntryID();

    const std::int64_t rows = queue_.rowCount();
    PathList& list = state_.workingPathList;
    list.assign(static_cast<std::size_t>(rows) + 1, std::string());
    std::vector<std::string> files;
    files.reserve(static_cast<std::size_t>(rows));
    for (std::int64_t i = 0; i < rows; ++i) {
        const std::string text = queue_.selectRow(i);
        files.push_back(trimSpaces(text));
        if (files.back().empty()) {
            throw AppError(errc::kSubscriptOutOfRange,
                           "The queue is empty: add message files before converting.");
        }
        list[static_cast<std::size_t>(i)] = MessageFolderPath(text);
    }

    SortPathList(list, 0, rows - 1);
    yield();
    RemoveDuplicatePaths(state_.workingPathList);

    ExpandFolderPaths(state_.workingPathList);
    yield();
    SortPathList(state_.workingPathList, 0,
                 static_cast<std::int64_t>(state_.workingPathList.size()) - 2);
    yield();
    RemoveDuplicatePaths(state_.workingPathList);
    // Reading starts while the folders are made.
    announceReadAhead(std::move(files));
    return entryId;
}

void ConversionJob::createFolders(const std::string& entryId) {
    // A copy: a handler run during a yield may reset the window's list.
    const PathList folders = state_.workingPathList;
    for (const std::string& entry : folders) {
        if (entry.find('!') != std::string::npos) {
            continue;
        }
        const auto lastBackslash = entry.rfind('\\');
        if (lastBackslash == std::string::npos) {
            try {
                auto store = state_.session->Stores().GetStoreFromID(entryId);
                auto root = store->IPMRootFolder();
                const auto children = root->Folders();
                const bool exists = std::any_of(children.begin(), children.end(),
                                                [&](const auto& f) { return f->Name() == entry; });
                if (!exists) {
                    root->Folders().Add(entry, kMailFolderType);
                }
            } catch (const std::exception&) {
                // Continue-on-error: the messages' own step creates what is missing.
            }
            yield();
            continue;
        }
        const std::string leaf = entry.substr(lastBackslash + 1);
        const std::string parent = entry.substr(0, lastBackslash);
        std::optional<outlook::Folder> parentFolder;
        try {
            parentFolder = OpenMAPIFolder("\\" + state_.storeDisplayName + "\\" + parent,
                                          environment_.createOutlook);
        } catch (const std::exception&) {
        }
        yield();
        try {
            if (parentFolder) {
                parentFolder->Folders().Add(leaf, kMailFolderType);
            }
        } catch (const std::exception&) {
        }
        yield();
    }
}

void ConversionJob::storeMessages(const std::string& entryId) {
    const std::int64_t rows = queue_.rowCount();
    report_.messages = rows;
    for (std::int64_t i = 0; i < rows; ++i) {
        std::string text;
        bool present = true;
        try {
            text = queue_.selectRow(i);
        } catch (const std::exception&) {
            present = false;
        }
        yield();

        std::string folderPath;
        if (!present || i >= queue_.rowCount() || trimSpaces(text).empty()) {
            report_.failures.push_back(
                {present && !text.empty() ? text : "(row " + std::to_string(i + 1) + ")",
                 "removed from the queue during the conversion"});
        } else {
            folderPath = storeOne(text, entryId);
        }

        progress_.setConvertEnabled(false);
        const std::int64_t rowsNow = queue_.rowCount();
        progress_.setFrameCaption("Details : Converting - (" + std::to_string(i + 1) + " of " +
                                  std::to_string(rowsNow) + ") file(s)");
        progress_.setLabelCaption("Converting Messages... from (" + folderPath + ")");
        const auto value =
            static_cast<float>(static_cast<double>(i + 1) / static_cast<double>(rowsNow) * 100.0);
        progress_.setBarValue(std::clamp(value, 0.0f, 100.0f));
    }
}

// Stores one queued file; returns its folder path (empty when it has none). Every failure
// is counted with its reason.
std::string ConversionJob::storeOne(const std::string& text, const std::string& entryId) {
    std::string folderPath;
    try {
        folderPath = MessageFolderPath(text);
    } catch (const std::exception& e) {
        report_.failures.push_back({text, e.what()});
        return folderPath;
    }
    if (folderPath.find('!') != std::string::npos) {
        folderPath = RemoveBangNumbers(folderPath);
    }

    std::shared_ptr<store::Folder> folder;
    try {
        folder =
            state_.session->GetFolderFromPath("\\\\" + state_.storeDisplayName + "\\" + folderPath);
    } catch (const std::exception&) {
        try {
            folder = createFolderPath(folderPath, entryId);
        } catch (const std::exception& e) {
            report_.failures.push_back(
                {text, "its folder " + folderPath + " could not be created: " + e.what()});
            return folderPath;
        }
    }

    std::shared_ptr<store::MailItem> item;
    try {
        item = folder->Items().Add(kMailItemType);
        item->Import(trimSpaces(text), kRfc822Format);
    } catch (const std::exception& e) {
        report_.failures.push_back({text, e.what()});
        return folderPath;  // the unsaved item is released: nothing is stored
    }
    try {
        store::MAPIUtils utils;
        utils.HrSetOneProp(item->MAPIOBJECT(), kMessageFlagsTag, kReadAndHasAttachment, true);
    } catch (const std::exception&) {
        // The imported message is still saved below, without these flags.
    }
    try {
        item->Save();
        item->Close();
    } catch (const std::exception& e) {
        report_.failures.push_back({text, e.what()});
    }
    return folderPath;
}

std::shared_ptr<store::Folder> ConversionJob::createFolderPath(const std::string& folderPath,
                                                               const std::string& entryId) {
    auto folder = state_.session->Stores().GetStoreFromID(entryId)->IPMRootFolder();
    std::size_t at = 0;
    for (;;) {
        const auto next = folderPath.find('\\', at);
        const std::string name =
            folderPath.substr(at, next == std::string::npos ? std::string::npos : next - at);
        auto child = folder->Folders().Find(name);
        folder = child ? child : folder->Folders().Add(name, kMailFolderType);
        if (next == std::string::npos) {
            return folder;
        }
        at = next + 1;
    }
}

void ConversionJob::finish() {
    yield();
    try {
        state_.session->Logoff();
    } catch (const std::exception& e) {
        report_.storeFailure = e.what();
    }
    state_.session.reset();
    report_.outcome = RunReport::Outcome::Completed;

    MessageBoxRequest box;
    box.text = kClosingText;
    box.title = "Tolvane";
    box.icon = MsgIcon::Information;
    box.buttons = MsgButtons::Ok;
    if (!report_.failures.empty()) {
        box.text += kCrLf + std::to_string(report_.failures.size()) + " of " +
                    std::to_string(report_.messages) + " message file(s) could not be converted.";
    }
    if (!report_.storeFailure.empty()) {
        box.text += std::string(kCrLf) + "The PST file could not be completed; see the details.";
        box.details += report_.storeFailure + "\n";
    }
    for (const auto& failure : report_.failures) {
        box.details += failure.path + ": " + failure.reason + "\n";
    }
    ui_.messageBox(box);
}

void ConversionJob::finishStopped() {
    report_.outcome = RunReport::Outcome::Stopped;
    if (state_.session) {
        try {
            state_.session->Logoff();
        } catch (const std::exception& e) {
            report_.storeFailure = e.what();
        }
        state_.session.reset();
    }
}

void ConversionJob::showErrorBox(const std::string& cause) {
    MessageBoxRequest box;
    box.text = std::string("Outlook Session Creation Error !") + kCrLf +
               "Check if Outlook is installed and configured." + kCrLf +
               "For more details visit this link : " + environment_.troubleshootingUrl + kCrLf +
               cause;
    box.title = "Outlook Error";
    box.icon = MsgIcon::Information;
    box.buttons = MsgButtons::Ok;
    ui_.messageBox(box);
}

}  // namespace tolvane::convert
