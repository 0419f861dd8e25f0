#include "convert/ConversionJob.h"

#include <algorithm>

#include "convert/FolderPaths.h"
#include "convert/RunSummary.h"
#include "convert/SourceWriter.h"
#include "mapi/Tags.h"
#include "platform/AppError.h"
#include "platform/Utf8Path.h"
#include "source/ItemKind.h"
#include "store/Folder.h"
#include "store/MAPIUtils.h"
#include "store/MailItem.h"
#include "store/Store.h"
#include "store/WorkingFile.h"
#include "store/WriteFailure.h"

namespace tolvane::convert {
namespace {

constexpr const char* kPickerTitle = "Choose Folder to Save...";
constexpr const char* kClosingText = "Open Outlook to view converted PST file.";
constexpr const char* kNothingToConvert =
    "There is nothing to convert: the queue is empty. Add message files first.";
constexpr const char* kStoreFilePrefix = "ZimbraMails";
constexpr const char* kCrLf = "\r\n";
constexpr int kDefaultStoreFormat = 1;
constexpr int kMailFolderType = 6;
constexpr int kMailItemType = 0;
constexpr int kRfc822Format = 1024;
constexpr std::uint32_t kMessageFlagsTag = mapi::tag::kMessageFlags.value();
constexpr std::int64_t kReadAndHasAttachment = 17;

bool isBlank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

RunResult::WriteCause causeOf(const store::WriteFailure& failure) {
    switch (failure.cause()) {
        case store::WriteFailure::Cause::DiskFull:
            return RunResult::WriteCause::DiskFull;
        case store::WriteFailure::Cause::FileTooLarge:
            return RunResult::WriteCause::FileTooLarge;
        case store::WriteFailure::Cause::Other:
            break;
    }
    return RunResult::WriteCause::Other;
}

std::string changeOf(const FileStamp& queued, const FileStamp& now) {
    if (queued.size != now.size) {
        return "changed after it was queued (" + std::to_string(queued.size) + " bytes then, " +
               std::to_string(now.size) + " bytes when imported); stored as it was read";
    }
    return "changed after it was queued (modified again before the import); stored as it was "
           "read";
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
    started_ = false;
    stored_ = 0;
    result_ = {};
    // However the run ends, nothing more is read ahead for it.
    struct WithdrawReadAhead {
        ConversionJob& job;
        ~WithdrawReadAhead() { job.announceReadAhead({}); }
    } withdraw{*this};
    // However the run ends, its folders and private spool folder go with it.
    struct ReleaseRun {
        ConversionJob& job;
        ~ReleaseRun() {
            job.mailboxFolders_.reset();
            job.spoolFolder_.reset();
        }
    } release{*this};
    try {
        run();
    } catch (const StopRequested& stop) {
        finishStopped(stop.tellUser);
    } catch (const store::WriteFailure& failure) {
        finishAfterWriteFailure(failure);
    }
    mailboxFolders_.reset();
    store_.reset();
}

void ConversionJob::announceReadAhead(std::vector<std::string> paths) {
    if (environment_.readAhead) {
        environment_.readAhead(std::move(paths));
    }
}

void ConversionJob::yield() {
    ui_.doEvents();
    if (environment_.stopRequested && environment_.stopRequested()) {
        throw StopRequested{false};
    }
    if (stopRequested_) {
        throw StopRequested{true};
    }
}

bool ConversionJob::queueIsEmpty() {
    return queue_.rowCount() == 1 && isBlank(queue_.selectRow(0));
}

void ConversionJob::run() {
    if (queueIsEmpty()) {
        result_.outcome = RunResult::Outcome::NothingToConvert;
        MessageBoxRequest box;
        box.text = kNothingToConvert;
        box.title = "Tolvane";
        box.icon = MsgIcon::Information;
        ui_.messageBox(box);
        return;
    }
    const std::string picked = ui_.browseForFolder(kPickerTitle);
    if (picked.empty()) {
        result_.outcome = RunResult::Outcome::Cancelled;
        return;
    }
    state_.destFolder = withTrailingSeparator(picked);
    tellAboutLeftovers();
    yield();

    started_ = true;
    progress_.runStarted();
    yield();

    std::string entryId;
    try {
        entryId = prepareStore();
    } catch (const StopRequested&) {
        throw;
    } catch (const std::exception& e) {
        result_.outcome = RunResult::Outcome::Failed;
        result_.errorCause = e.what();
        progress_.runEnded(result_);
        showErrorBox(e.what());
        return;
    }

    createFolders(entryId);
    storeMessages(entryId);
    finish();
}

// A file an earlier run left under its working name is never touched; the user hears of it.
void ConversionJob::tellAboutLeftovers() {
    result_.leftovers = store::workingFilesIn(state_.destFolder, kStoreFilePrefix);
    if (result_.leftovers.empty()) {
        return;
    }
    MessageBoxRequest box;
    box.text = leftoverSentence(result_.leftovers);
    box.title = "Tolvane";
    box.icon = MsgIcon::Information;
    ui_.messageBox(box);
}

// The queue is read and its folder list made before the store file exists, so a queue the
// store cannot take leaves no file behind.
std::string ConversionJob::prepareStore() {
    auto session = environment_.createSession();
    session->Logon();
    state_.session = std::move(session);  // a session held from a failed run goes here

    const std::string storePath =
        state_.destFolder + kStoreFilePrefix + formatTimeStamp(environment_.clock()) + ".pst";
    state_.storeDisplayName =
        std::string("Zimbra Mails") + " : Created - " + formatTimeStamp(environment_.clock());

    // Message files are placed by their folders on disk; archives, and message files with
    // Zimbra's .meta beside them, by the mailbox's own folders as they are read.
    const std::int64_t rows = queue_.rowCount();
    PathList& list = state_.workingPathList;
    list.assign(1, std::string());
    std::vector<std::string> files;
    files.reserve(static_cast<std::size_t>(rows));
    for (std::int64_t i = 0; i < rows; ++i) {
        const std::string text = queue_.selectRow(i);
        if (isBlank(text)) {
            throw AppError(errc::kSubscriptOutOfRange,
                           "Row " + std::to_string(i + 1) + " of the queue is empty.");
        }
        if (SourceWriter::takes(PathFromUtf8(text))) {
            continue;
        }
        files.push_back(text);
        list.insert(list.end() - 1, MessageFolderPath(text));
    }

    if (!files.empty()) {
        SortPathList(list, 0, static_cast<std::int64_t>(files.size()) - 1);
        yield();
        RemoveDuplicatePaths(state_.workingPathList);

        ExpandFolderPaths(state_.workingPathList);
        yield();
        SortPathList(state_.workingPathList, 0,
                     static_cast<std::int64_t>(state_.workingPathList.size()) - 2);
        yield();
        RemoveDuplicatePaths(state_.workingPathList);
    }

    store_ = state_.session->Stores().AddPSTStore(storePath, kDefaultStoreFormat,
                                                  state_.storeDisplayName);
    result_.storePath = storePath;
    mailboxFolders_ = std::make_unique<MailboxFolders>(*store_);
    const std::string entryId = store_->EntryID();
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
            } catch (const store::WriteFailure&) {
                throw;
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
        } catch (const store::WriteFailure&) {
            throw;
        } catch (const std::exception&) {
        }
        yield();
    }
}

void ConversionJob::storeMessages(const std::string& entryId) {
    const std::int64_t rows = queue_.rowCount();
    // An archive's messages count once they are read.
    result_.queued = 0;
    for (std::int64_t i = 0; i < rows; ++i) {
        try {
            if (!SourceWriter::takes(PathFromUtf8(queue_.selectRow(i)))) {
                ++result_.queued;
            }
        } catch (const std::exception&) {
            ++result_.queued;  // the row is counted as a failure below
        }
    }
    for (std::int64_t i = 0; i < rows; ++i) {
        std::string text;
        bool present = true;
        try {
            text = queue_.selectRow(i);
        } catch (const std::exception&) {
            present = false;
        }
        yield();

        result_.taken = i + 1;
        std::string folderPath;
        bool stored = false;
        if (!present || i >= queue_.rowCount() || isBlank(text)) {
            result_.failures.push_back(
                {present && !text.empty() ? text : "(row " + std::to_string(i + 1) + ")",
                 "removed from the queue during the conversion"});
        } else if (SourceWriter::takes(PathFromUtf8(text))) {
            storeSource(i, text);
        } else {
            folderPath = storeOne(i, text, entryId, stored);
        }
        if (stored) {
            ++stored_;
        }
        reportProgress(i, folderPath);
    }
}

void ConversionJob::reportProgress(std::int64_t row, const std::string& folderPath) {
    JobProgress progress;
    progress.done = row + 1;
    progress.total = queue_.rowCount();
    progress.folder = folderPath;
    progress.stored = stored_;
    progress.failed = static_cast<std::int64_t>(result_.failures.size());
    progress.committed = store_->committedMessages();
    progress_.runProgressed(progress);
}

// An export archive, or a message file with its .meta: read in one pass, each message counted
// and reported as it is stored, with a yield after each so Stop answers inside an archive.
void ConversionJob::storeSource(std::int64_t row, const std::string& text) {
    SourceReport report;
    const std::int64_t storedBefore = stored_;
    const std::int64_t queuedBefore = result_.queued;
    const auto settle = [&] {
        stored_ = storedBefore + static_cast<std::int64_t>(report.stored);
        result_.queued = queuedBefore + static_cast<std::int64_t>(report.read);
    };
    const auto takeReport = [&] {
        settle();
        for (auto& failure : report.failures)
            result_.failures.push_back(std::move(failure));
        for (auto& note : report.warnings)
            result_.readingNotes.push_back(std::move(note));
        for (std::size_t kind = 0; kind < report.notConverted.size(); ++kind) {
            if (report.notConverted[kind] == 0)
                continue;
            const std::string name(source::kindName(static_cast<source::ItemKind>(kind)));
            auto known = std::find_if(result_.notConverted.begin(), result_.notConverted.end(),
                                      [&](const auto& entry) { return entry.first == name; });
            if (known == result_.notConverted.end())
                known = result_.notConverted.insert(known, {name, 0});
            known->second += report.notConverted[kind];
        }
        report = {};
    };
    try {
        if (!spoolFolder_)
            spoolFolder_ = std::make_unique<PrivateFolder>();
        source::ReadOptions options;
        options.spoolFolder = spoolFolder_->path();
        SourceWriter writer(*mailboxFolders_, options);
        writer.write(PathFromUtf8(text), report, [&] {
            settle();
            reportProgress(row, "");
            yield();
        });
    } catch (const store::WriteFailure&) {
        takeReport();
        throw;
    } catch (const std::exception& e) {
        // No private folder for its spool: nothing of it was read.
        takeReport();
        result_.failures.push_back({text, e.what()});
        return;
    } catch (...) {
        // Stopped: what was stored is counted first.
        takeReport();
        throw;
    }
    takeReport();
}

// Stores one queued file, imported by its own name (spaces and all); returns its folder path
// (empty when it has none). Every failure is counted with its reason; a failure to write the
// store file ends the run.
std::string ConversionJob::storeOne(std::int64_t row, const std::string& text,
                                    const std::string& entryId, bool& stored) {
    std::string folderPath;
    try {
        folderPath = MessageFolderPath(text);
    } catch (const std::exception& e) {
        result_.failures.push_back({text, e.what()});
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
        } catch (const store::WriteFailure&) {
            throw;
        } catch (const std::exception& e) {
            result_.failures.push_back(
                {text, "its folder " + folderPath + " could not be created: " + e.what()});
            return folderPath;
        }
    }

    std::shared_ptr<store::MailItem> item;
    try {
        item = folder->Items().Add(kMailItemType);
        item->Import(text, kRfc822Format);
    } catch (const std::exception& e) {
        result_.failures.push_back({text, e.what()});
        return folderPath;  // the unsaved item is released: nothing is stored
    }
    warnIfChanged(row, text);
    try {
        store::MAPIUtils utils;
        utils.HrSetOneProp(item->MAPIOBJECT(), kMessageFlagsTag, kReadAndHasAttachment, true);
    } catch (const std::exception&) {
        // The imported message is still saved below, without these flags.
    }
    try {
        item->Save();
        item->Close();
        stored = true;
    } catch (const store::WriteFailure&) {
        throw;
    } catch (const std::exception& e) {
        result_.failures.push_back({text, e.what()});
    }
    return folderPath;
}

void ConversionJob::warnIfChanged(std::int64_t row, const std::string& text) {
    const auto queued = queue_.queuedStamp(row);
    if (!queued) {
        return;
    }
    const auto now = stampOf(text);
    if (now && *now != *queued) {
        result_.warnings.push_back({text, changeOf(*queued, *now)});
    }
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

// Logs off, which commits and renames the file; the counts are then read from the store.
// A write failure of the last commit is the run's write failure.
void ConversionJob::closeStore() {
    if (state_.session) {
        try {
            state_.session->Logoff();
        } catch (const store::WriteFailure& failure) {
            if (result_.writeCause == RunResult::WriteCause::None) {
                result_.outcome = RunResult::Outcome::WriteFailed;
                result_.writeCause = causeOf(failure);
                result_.writeError = failure.description();
            }
        } catch (const std::exception& e) {
            result_.storeFailure = e.what();
        }
        state_.session.reset();
    }
    if (store_) {
        result_.stored = store_->committedMessages();
        result_.storePath = store_->FilePath().string();
    }
    if (result_.queued == 0) {
        result_.queued = queue_.rowCount();
    }
}

void ConversionJob::finish() {
    yield();
    result_.outcome = RunResult::Outcome::Completed;
    closeStore();
    progress_.runEnded(result_);
    showEndBox();
}

void ConversionJob::finishStopped(bool tellUser) {
    result_.outcome = RunResult::Outcome::Stopped;
    closeStore();
    if (started_) {
        progress_.runEnded(result_);
    }
    if (tellUser && store_) {
        showEndBox();
    }
}

void ConversionJob::finishAfterWriteFailure(const store::WriteFailure& failure) {
    result_.outcome = RunResult::Outcome::WriteFailed;
    result_.writeCause = causeOf(failure);
    result_.writeError = failure.description();
    closeStore();
    progress_.runEnded(result_);
    showEndBox();
}

void ConversionJob::showEndBox() {
    MessageBoxRequest box;
    box.text = std::string(kClosingText) + kCrLf + endSentence(result_);
    box.title = "Tolvane";
    box.icon = result_.outcome == RunResult::Outcome::WriteFailed ? MsgIcon::Exclamation
                                                                  : MsgIcon::Information;
    box.buttons = MsgButtons::Ok;
    for (const auto& sentence : problemSentences(result_)) {
        box.text += kCrLf + sentence;
    }
    for (const auto& failure : result_.failures) {
        box.details += failure.path + ": " + failure.reason + "\n";
    }
    for (const auto& warning : result_.warnings) {
        box.details += warning.path + ": " + warning.reason + "\n";
    }
    for (const auto& note : result_.readingNotes) {
        box.details += note.path + ": " + note.reason + "\n";
    }
    ui_.messageBox(box);
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
