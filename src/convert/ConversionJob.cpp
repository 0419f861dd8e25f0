#include "convert/ConversionJob.h"

#include <algorithm>

#include "convert/FolderPaths.h"
#include "convert/RunSummary.h"
#include "convert/SourceWriter.h"
#include "convert/StepFailure.h"
#include "mapi/Tags.h"
#include "platform/AppError.h"
#include "platform/MessageBoxes.h"
#include "platform/Utf8Path.h"
#include "shell/PathSyntax.h"
#include "shell/ShellHelpers.h"
#include "source/ItemKind.h"
#include "source/SourceFormat.h"
#include "store/Destination.h"
#include "store/Folder.h"
#include "store/MAPIUtils.h"
#include "store/MailItem.h"
#include "store/Store.h"
#include "store/StoreErrc.h"
#include "store/WorkingFile.h"
#include "store/WriteFailure.h"
#include "text/FolderPath.h"

// The job finds a store folder by three routes, each for its own purpose:
// - a top-level folder to create: the store fetched by its entry identifier and the
//   subfolders of its root compared by name, case for case, so a folder that stands there
//   already (Deleted Items) is not created twice;
// - the parent of a nested folder to create: the Outlook folder lookup (OpenMAPIFolder), by
//   display name and path, as nested folders are created through Outlook;
// - the folder of a message: the session's GetFolderFromPath, whose names match ignoring case
//   as the store compares them; a folder that is missing there (its creation failed, or it
//   was left out for its batch suffix) is created then, with its parents.
// Each splits its path with text::folderNames.

namespace tolvane::convert {
namespace {

constexpr const char* kPickerTitle = "Choose Folder to Save...";
constexpr const char* kClosingText = "Open Outlook to view converted PST file.";
constexpr const char* kNothingToConvert =
    "There is nothing to convert: the queue is empty. Add message files first.";
constexpr const char* kErrorBoxTitle = "Outlook Error";
constexpr const char* kManualLink = "For more details visit this link : ";
constexpr const char* kStoreFilePrefix = "ZimbraMails";
constexpr const char* kStoreNamePrefix = "Zimbra Mails : Created - ";
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

std::string changeOf(const FileStamp& queued, const FileStamp& now) {
    if (queued.size != now.size) {
        return "changed after it was queued (" + std::to_string(queued.size) + " bytes then, " +
               std::to_string(now.size) + " bytes when imported); stored as it was read";
    }
    return "changed after it was queued (modified again before the import); stored as it was "
           "read";
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

// "contact", 3 added to a run's list of counts by kind, in the order kinds are first met.
void addCounts(std::vector<std::pair<std::string, std::uint64_t>>& counts,
               const std::array<std::uint64_t, source::kItemKindCount>& byKind) {
    for (std::size_t kind = 0; kind < byKind.size(); ++kind) {
        if (byKind[kind] == 0) {
            continue;
        }
        const std::string name(source::kindName(static_cast<source::ItemKind>(kind)));
        auto known = std::find_if(counts.begin(), counts.end(),
                                  [&](const auto& entry) { return entry.first == name; });
        if (known == counts.end()) {
            known = counts.insert(known, {name, 0});
        }
        known->second += byKind[kind];
    }
}

}  // namespace

ConversionJob::ConversionJob(Ui& ui, QueueSource& queue, ProgressSink& progress, JobState& state,
                             JobEnvironment environment)
    : ui_(ui),
      queue_(queue),
      progress_(progress),
      state_(state),
      environment_(std::move(environment)) {}

void ConversionJob::CmdExtractDBX_Click() {
    runGuarded([this] {
        if (!hasFilesToConvert()) {
            return;
        }
        const std::string destination = pickDestination();
        if (destination.empty()) {
            result_.outcome = RunResult::Outcome::Cancelled;
            return;
        }
        convertInto(destination);
    });
}

const RunResult& ConversionJob::run(const std::string& destination) {
    runGuarded([&] {
        if (!hasFilesToConvert()) {
            return;
        }
        if (const std::string refusal = store::cannotWriteTo(destination); !refusal.empty()) {
            result_.outcome = RunResult::Outcome::Failed;
            result_.errorCause = refusal;
            showErrorBox(refusal);
            return;
        }
        convertInto(destination);
    });
    return result_;
}

void ConversionJob::runGuarded(const std::function<void()>& body) {
    if (running_) {
        return;
    }
    RunningFlag running(running_);
    stopRequested_ = false;
    started_ = false;
    stored_ = 0;
    messagesDone_ = 0;
    messagesTotal_ = 0;
    archivesQueued_ = false;
    otherItemsAt_.clear();
    messagesCounted_ = false;
    result_ = {};
    entryId_.clear();
    // However the run ends, nothing more is read ahead for it.
    struct WithdrawReadAhead {
        ConversionJob& job;
        ~WithdrawReadAhead() { job.announceReadAhead({}); }
    } withdraw{*this};
    // However the run ends, its folders and private spool folder go with it.
    struct ReleaseRun {
        ConversionJob& job;
        ~ReleaseRun() {
            job.rowBySource_ = {};
            job.foldersByPath_.clear();
            job.mailboxFolders_.reset();
            job.spoolFolder_.reset();
        }
    } release{*this};
    try {
        body();
    } catch (const StopRequested& stop) {
        finishStopped(stop.tellUser);
    } catch (const store::WriteFailure& failure) {
        finishAfterWriteFailure(failure);
    }
    mailboxFolders_.reset();
    store_.reset();
}

void ConversionJob::announceReadAhead(std::vector<std::string> paths) {
    if (paths.empty() && !readAheadOut_) {
        return;  // nothing to withdraw
    }
    readAheadOut_ = !paths.empty();
    if (environment_.readAhead) {
        environment_.readAhead(std::move(paths), environment_.importOptions);
    }
}

// The rows whose route the run decided and still holds: those it reads ahead from.
std::int64_t ConversionJob::routedRows() const {
    if (queue_.timesEmptied() != routesTimesEmptied_) {
        return 0;
    }
    return std::min(queue_.rowCount(), static_cast<std::int64_t>(rowBySource_.size()));
}

// Reading starts once this many files are routed: it goes on while the rest of the queue is
// routed and the store file is made, and the next stretch follows at the first row.
std::size_t ConversionJob::firstReadAheadStretch() const {
    return std::min<std::size_t>(environment_.readAheadStretch, 256);
}

std::vector<std::string> ConversionJob::nextReadAheadStretch() {
    std::vector<std::string> files;
    const std::int64_t rows = routedRows();
    for (; readAheadRow_ < rows && files.size() < environment_.readAheadStretch; ++readAheadRow_) {
        if (!rowBySource_[static_cast<std::size_t>(readAheadRow_)]) {
            files.push_back(queue_.rowText(readAheadRow_));
        }
    }
    return files;
}

// The reading keeps a stretch ahead of the run, so only a stretch of the queue's paths is
// ever copied for it, however long the queue.
void ConversionJob::keepReadingAhead(std::int64_t row) {
    const auto halfStretch = static_cast<std::int64_t>(environment_.readAheadStretch / 2);
    if (environment_.readAheadMore && readAheadRow_ > 0 && readAheadRow_ < routedRows() &&
        readAheadRow_ - row <= halfStretch) {
        environment_.readAheadMore(nextReadAheadStretch());
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

bool ConversionJob::hasFilesToConvert() {
    if (queue_.rowCount() != 1 || !isBlank(queue_.selectRow(0))) {
        return true;
    }
    result_.outcome = RunResult::Outcome::NothingToConvert;
    ui_.messageBox(InformationBox(kNothingToConvert));
    return false;
}

// The folder picked, "" when the picker was cancelled. A folder the store file cannot be
// written into gets the error box, and the picker again, before anything starts.
std::string ConversionJob::pickDestination() {
    for (;;) {
        const std::string picked = shell::BrowseForFolder(ui_, kPickerTitle);
        if (picked.empty()) {
            return picked;
        }
        const std::string refusal = store::cannotWriteTo(picked);
        if (refusal.empty()) {
            return picked;
        }
        showErrorBox(refusal);
    }
}

void ConversionJob::convertInto(const std::string& destination) {
    state_.destFolder = shell::withTrailingSeparator(destination, shell::syntaxOf(destination));
    tellAboutLeftovers();
    yield();

    started_ = true;
    progress_.runStarted();
    yield();

    if (!prepare()) {
        return;
    }
    createFolders();
    storeMessages();
    finish();
}

// A file an earlier run left under its working name is never touched; the user hears of it.
void ConversionJob::tellAboutLeftovers() {
    result_.leftovers = store::workingFilesIn(state_.destFolder, kStoreFilePrefix);
    if (!result_.leftovers.empty()) {
        ui_.messageBox(InformationBox(leftoverSentence(result_.leftovers)));
    }
}

// The session, the folder list and the store file. Any failure ends the run with the error
// box, its cause in plain words first. The queue is read before the store file exists, so a
// queue the store cannot take leaves no file behind.
bool ConversionJob::prepare() {
    std::string context;
    try {
        context = "The store session could not be opened: ";
        openSession();
        context.clear();
        collectFolderPaths();
        context = "The PST file could not be created: ";
        addStore();
        return true;
    } catch (const StopRequested&) {
        throw;
    } catch (const std::exception& e) {
        failRun(context + e.what());
        return false;
    }
}

void ConversionJob::openSession() {
    auto session = environment_.createSession();
    session->Logon();
    state_.session = std::move(session);  // a session held from a failed run goes here
}

// The distinct folder paths of the queued message files, then with every ancestor, sorted so
// that each parent comes before its children. Archives, and message files with Zimbra's .meta
// beside them, are placed by the mailbox's own folders as they are read.
void ConversionJob::collectFolderPaths() {
    const std::int64_t rows = queue_.rowCount();
    PathList& list = state_.workingPathList;
    list.assign(1, std::string());
    rowBySource_.reserve(static_cast<std::size_t>(rows));
    routesTimesEmptied_ = queue_.timesEmptied();
    readAheadRow_ = 0;
    std::size_t filesRouted = 0;
    SourceWriter::Routes routes;
    for (std::int64_t i = 0; i < rows; ++i) {
        const std::string text = queue_.selectRow(i);
        if (isBlank(text)) {
            throw AppError(errc::kSubscriptOutOfRange,
                           "Row " + std::to_string(i + 1) + " of the queue is empty.");
        }
        rowBySource_.push_back(routes.takes(text));
        if (rowBySource_.back()) {
            continue;
        }
        if (++filesRouted == firstReadAheadStretch()) {
            announceReadAhead(nextReadAheadStretch());
        }
        // Files of one folder come together: the folder once, not once per file.
        std::string folder = folderPathOf(text);
        if (list.size() < 2 || list[list.size() - 2] != folder) {
            list.insert(list.end() - 1, std::move(folder));
        }
    }
    if (filesRouted == 0) {
        return;
    }
    if (filesRouted < firstReadAheadStretch()) {
        announceReadAhead(nextReadAheadStretch());
    }

    SortPathList(list, 0, static_cast<std::int64_t>(list.size()) - 2);
    yield();
    RemoveDuplicatePaths(state_.workingPathList);

    ExpandFolderPaths(state_.workingPathList);
    yield();
    SortPathList(state_.workingPathList, 0,
                 static_cast<std::int64_t>(state_.workingPathList.size()) - 2);
    yield();
    RemoveDuplicatePaths(state_.workingPathList);
}

// The file is named from the clock, with a number added when that name is taken (two runs
// into one folder in the same second); the display name keeps the time stamp.
void ConversionJob::addStore() {
    const std::string wanted =
        state_.destFolder + kStoreFilePrefix + formatTimeStamp(environment_.clock()) + ".pst";
    state_.storeDisplayName = kStoreNamePrefix + formatTimeStamp(environment_.clock());
    const std::string storePath = store::firstFreeStorePath(wanted);
    store_ = state_.session->Stores().AddPSTStore(storePath, kDefaultStoreFormat,
                                                  state_.storeDisplayName);
    result_.storePath = storePath;
    entryId_ = store_->EntryID();
    mailboxFolders_ = std::make_unique<MailboxFolders>(*store_);
}

// Folder names that are not UTF-8 read as the import reads undeclared text.
std::string ConversionJob::folderPathOf(const std::string& file) const {
    if (!environment_.decodeLegacyName) {
        return MessageFolderPath(file);
    }
    return MessageFolderPath(file, [this](std::string_view name) {
        return environment_.decodeLegacyName(name, environment_.importOptions);
    });
}

void ConversionJob::createFolders() {
    // A copy: a handler run during a yield may reset the window's list.
    const PathList folders = state_.workingPathList;
    const std::string outlookStore = text::kFolderSeparator + state_.storeDisplayName;
    for (const std::string& entry : folders) {
        if (entry.find('!') != std::string::npos) {
            continue;  // its messages go to the folder without the batch suffix
        }
        const auto [parentPath, leafName] = text::parentAndLeaf(entry);
        const std::string parent(parentPath);
        const std::string leaf(leafName);
        if (leaf.size() == entry.size()) {
            // A folder not made here is made for its first message.
            failureOf([&] {
                auto root = state_.session->Stores().GetStoreFromID(entryId_)->IPMRootFolder();
                const auto children = root->Folders();
                const bool exists = std::any_of(children.begin(), children.end(),
                                                [&](const auto& f) { return f->Name() == entry; });
                if (!exists) {
                    root->Folders().Add(entry, kMailFolderType);
                }
            });
            yield();
            continue;
        }
        std::optional<outlook::Folder> parentFolder;
        failureOf([&] {
            parentFolder = OpenMAPIFolder(outlookStore + text::kFolderSeparator + parent,
                                          environment_.createOutlook);
        });
        yield();
        failureOf([&] {
            if (parentFolder) {
                parentFolder->Folders().Add(leaf, kMailFolderType);
            }
        });
        yield();
    }
}

void ConversionJob::storeMessages() {
    const std::int64_t rows = queue_.rowCount();
    // An archive's messages count once they are read; a .vcf or .ics file holds none.
    result_.queued = 0;
    messagesCounted_ = true;
    for (std::int64_t i = 0; i < rows; ++i) {
        std::string file;
        // A row that cannot be read is counted as a failure below.
        if (failureOf([&] { file = queue_.selectRow(i); }) || !readBySource(i, file)) {
            ++result_.queued;
        }
        messagesTotal_ += static_cast<std::int64_t>(queue_.queuedMessages(i));
        archivesQueued_ =
            archivesQueued_ || source::sourceFormatOf(file) == source::SourceFormat::Archive;
    }
    for (std::int64_t i = 0; i < rows; ++i) {
        std::string file;
        const bool present = !failureOf([&] { file = queue_.selectRow(i); });
        keepReadingAhead(i);
        yield();

        result_.taken = i + 1;
        const std::int64_t messagesBefore = messagesDone_;
        std::string folderPath;
        bool stored = false;
        if (!present || i >= queue_.rowCount() || isBlank(file)) {
            result_.failures.push_back(
                {present && !file.empty() ? file : "(row " + std::to_string(i + 1) + ")",
                 "removed from the queue during the conversion"});
        } else if (readBySource(i, file)) {
            storeSource(i, file);
            folderPath = file;  // its messages go where the mailbox says: the row names its file
        } else {
            folderPath = storeOne(i, file, stored);
        }
        if (stored) {
            ++stored_;
        }
        // All the row held is taken up now, however much of it could be read.
        messagesDone_ = std::max(
            messagesDone_, messagesBefore + static_cast<std::int64_t>(queue_.queuedMessages(i)));
        reportProgress(i, folderPath);
    }
}

// The route decided when the run started, unless the queue was emptied since and the row
// may hold another file.
bool ConversionJob::readBySource(std::int64_t row, const std::string& file) const {
    if (row >= 0 && row < routedRows()) {
        return rowBySource_[static_cast<std::size_t>(row)];
    }
    return SourceWriter::takes(file);
}

void ConversionJob::reportProgress(std::int64_t row, const std::string& folderPath) {
    JobProgress progress;
    progress.done = row + 1;
    progress.total = queue_.rowCount();
    progress.folder = folderPath;
    progress.stored = stored_;
    progress.failed = static_cast<std::int64_t>(result_.failures.size());
    progress.committed = committedMessages();
    progress.messagesDone = messagesDone_;
    // An archive that grew since it was queued: the count read is the better one.
    progress.messagesTotal = std::max(messagesTotal_, messagesDone_);
    progress.archivesQueued = archivesQueued_;
    progress_.runProgressed(progress);
}

// The messages among the items the store has committed. It commits items in the order they
// were handed to it, so the others among them are those handed over before the count.
std::uint64_t ConversionJob::committedMessages() const {
    const std::uint64_t committed = store_->committedMessages();
    const auto others = std::lower_bound(otherItemsAt_.begin(), otherItemsAt_.end(), committed) -
                        otherItemsAt_.begin();
    return committed - static_cast<std::uint64_t>(others);
}

// An export archive, or a message file with its .meta: read in one pass, each message counted
// and reported as it is stored, with a yield after each so Stop answers inside an archive.
void ConversionJob::storeSource(std::int64_t row, const std::string& file) {
    SourceReport report;
    const std::int64_t storedBefore = stored_;
    const std::int64_t queuedBefore = result_.queued;
    const std::int64_t messagesBefore = messagesDone_;
    const std::uint64_t handedBefore = static_cast<std::uint64_t>(stored_) + otherItemsAt_.size();
    std::size_t othersTaken = 0;
    const auto settle = [&] {
        stored_ = storedBefore + static_cast<std::int64_t>(report.stored);
        result_.queued = queuedBefore + static_cast<std::int64_t>(report.read);
        messagesDone_ = messagesBefore + static_cast<std::int64_t>(report.read);
        for (; othersTaken < report.otherItemsAt.size(); ++othersTaken) {
            otherItemsAt_.push_back(handedBefore + report.otherItemsAt[othersTaken]);
        }
    };
    const auto takeReport = [&] {
        settle();
        for (auto& failure : report.failures) {
            result_.failures.push_back(std::move(failure));
        }
        for (auto& note : report.warnings) {
            result_.readingNotes.push_back(std::move(note));
        }
        for (auto& noMessage : report.notMessages) {
            result_.notMessages.push_back(std::move(noMessage));
        }
        addCounts(result_.converted, report.converted);
        addCounts(result_.notConverted, report.notConverted);
        report = {};
    };
    try {
        if (!spoolFolder_) {
            spoolFolder_ = std::make_unique<PrivateFolder>();
        }
        source::ReadOptions options;
        options.spoolFolder = spoolFolder_->path();
        SourceWriter writer(*mailboxFolders_, options, environment_.importOptions);
        writer.write(PathFromUtf8(file), report, [&] {
            settle();
            reportProgress(row, file);
            yield();
        });
    } catch (const store::WriteFailure&) {
        takeReport();
        throw;
    } catch (const std::exception& e) {
        // No private folder for its spool: nothing of it was read.
        takeReport();
        result_.failures.push_back({file, e.what()});
        return;
    } catch (...) {
        // Stopped: what was stored is counted first.
        takeReport();
        throw;
    }
    takeReport();
}

// Stores one queued file, imported by its own name (spaces and all): its folder, the item,
// its flags, the save. Returns its folder path (empty when it has none). Every failure is
// counted with its reason; a failure to write the store file ends the run.
std::string ConversionJob::storeOne(std::int64_t row, const std::string& file, bool& stored) {
    std::string folderPath;
    if (const auto failure = failureOf([&] { folderPath = targetFolderPath(file); })) {
        result_.failures.push_back({file, *failure});
        return folderPath;
    }
    std::shared_ptr<store::Folder> folder;
    if (const auto failure = failureOf([&] { folder = folderFor(folderPath); })) {
        result_.failures.push_back(
            {file, "its folder " + folderPath + " could not be created: " + *failure});
        return folderPath;
    }
    std::shared_ptr<store::MailItem> item;
    if (const auto failure = failureOf([&] { item = importItem(*folder, file); })) {
        result_.failures.push_back({file, *failure});
        return folderPath;  // the unsaved item is released: nothing is stored
    }
    warnIfChanged(row, file, item->message().readStamp);
    // The import's own verdict, carried by the item: the file is not parsed again to judge it.
    const bool noMessage = item->message().verdict == mapi::ImportVerdict::NotAMessage;
    // The imported message is saved below even when its flags cannot be set.
    failureOf([&] {
        store::MAPIUtils utils;
        utils.HrSetOneProp(item->MAPIOBJECT(), kMessageFlagsTag, kReadAndHasAttachment, true);
    });
    if (const auto failure = failureOf([&] {
            item->Save();
            item->Close();
        })) {
        result_.failures.push_back({file, *failure});
        return folderPath;
    }
    stored = true;
    if (noMessage) {
        result_.notMessages.push_back({file, std::string(kNoMessageReason)});
    }
    return folderPath;
}

// The folder a message goes to: its file's folder path, batch suffixes removed.
std::string ConversionJob::targetFolderPath(const std::string& file) const {
    const std::string folderPath = folderPathOf(file);
    return folderPath.find('!') == std::string::npos ? folderPath : RemoveBangNumbers(folderPath);
}

std::shared_ptr<store::Folder> ConversionJob::folderFor(const std::string& folderPath) {
    if (text::folderNames(folderPath).empty()) {
        // "!1" alone: the message would land in the store's top, which holds no mail.
        throw AppError(store::errc::kInvalidParameter, "no folder name is left of it");
    }
    if (const auto found = foldersByPath_.find(folderPath); found != foldersByPath_.end()) {
        return found->second;
    }
    std::shared_ptr<store::Folder> folder;
    const std::string sessionPath = std::string(2, text::kFolderSeparator) +
                                    state_.storeDisplayName + text::kFolderSeparator + folderPath;
    if (failureOf([&] { folder = state_.session->GetFolderFromPath(sessionPath); })) {
        folder = createFolderPath(folderPath);
    }
    foldersByPath_.emplace(folderPath, folder);
    return folder;
}

std::shared_ptr<store::Folder> ConversionJob::createFolderPath(const std::string& folderPath) {
    auto folder = state_.session->Stores().GetStoreFromID(entryId_)->IPMRootFolder();
    for (const std::string_view name : text::folderNames(folderPath)) {
        auto child = folder->Folders().Find(std::string(name));
        folder = child ? child : folder->Folders().Add(std::string(name), kMailFolderType);
    }
    return folder;
}

std::shared_ptr<store::MailItem> ConversionJob::importItem(store::Folder& folder,
                                                           const std::string& file) {
    auto item = folder.Items().Add(kMailItemType);
    item->Import(file, kRfc822Format, environment_.importOptions);
    return item;
}

// The stamp the import took when it opened the file, else the file's stamp now.
void ConversionJob::warnIfChanged(std::int64_t row, const std::string& file,
                                  const std::optional<FileStamp>& read) {
    const auto queued = queue_.queuedStamp(row);
    if (!queued) {
        return;
    }
    const auto now = read ? read : stampOf(file);
    if (now && *now != *queued) {
        result_.warnings.push_back({file, changeOf(*queued, *now)});
    }
}

// Logs off, which commits and renames the file; the counts are then read from the store.
// A write failure of the last commit is the run's write failure.
void ConversionJob::closeStore() {
    // Nothing more is read for this run: the read-ahead lets its workers go while the last
    // commit waits for the disk, not after it.
    announceReadAhead({});
    if (state_.session) {
        try {
            state_.session->Logoff();
        } catch (const store::WriteFailure& failure) {
            if (!result_.writeCause) {
                recordWriteFailure(failure);
            }
        } catch (const std::exception& e) {
            result_.storeFailure = e.what();
        }
        state_.session.reset();
    }
    if (store_) {
        result_.stored = committedMessages();
        result_.storePath = store_->FilePath().string();
    }
    if (!messagesCounted_) {
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

void ConversionJob::recordWriteFailure(const store::WriteFailure& failure) {
    result_.outcome = RunResult::Outcome::WriteFailed;
    result_.writeCause = failure.cause();
    result_.writeError = failure.description();
}

void ConversionJob::finishAfterWriteFailure(const store::WriteFailure& failure) {
    recordWriteFailure(failure);
    closeStore();
    progress_.runEnded(result_);
    showEndBox();
}

// The session stays held, logged on, until the next run replaces it.
void ConversionJob::failRun(const std::string& cause) {
    result_.outcome = RunResult::Outcome::Failed;
    result_.errorCause = cause;
    progress_.runEnded(result_);
    showErrorBox(cause);
}

void ConversionJob::showEndBox() {
    std::string text = std::string(kClosingText) + kCrLf + endSentence(result_);
    if (const auto also = alsoConvertedSentence(result_); !also.empty()) {
        text += kCrLf + also;
    }
    for (const auto& sentence : problemSentences(result_)) {
        text += kCrLf + sentence;
    }
    MessageBoxRequest box = result_.outcome == RunResult::Outcome::WriteFailed
                                ? WarningBox(std::move(text))
                                : InformationBox(std::move(text));
    for (const auto& failure : result_.failures) {
        box.details += failure.path + ": " + failure.reason + "\n";
    }
    for (const auto& warning : result_.warnings) {
        box.details += warning.path + ": " + warning.reason + "\n";
    }
    for (const auto& noMessage : result_.notMessages) {
        box.details += noMessage.path + ": " + noMessage.reason + "\n";
    }
    for (const auto& note : result_.readingNotes) {
        box.details += note.path + ": " + note.reason + "\n";
    }
    ui_.messageBox(box);
}

// What went wrong first, in plain words, then where the manual says more. The box keeps the
// title it has always had.
void ConversionJob::showErrorBox(const std::string& cause) {
    MessageBoxRequest box =
        InformationBox(cause + kCrLf + kManualLink + environment_.troubleshootingUrl);
    box.title = kErrorBoxTitle;
    ui_.messageBox(box);
}

}  // namespace tolvane::convert
