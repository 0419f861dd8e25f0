#pragma once

// The conversion job behind "Convert &Messages": the queue in, one new PST store out, with
// the folder tree of the queued files below their drive (or POSIX root). One job serves the
// window and the command line through the job seams.
//
//   ConversionJob job(ui, queue, progress, state, processEnvironment());
//   job.CmdExtractDBX_Click();  // the window: picks a destination, runs, yielding through ui
//   job.run("/out");            // the command line: the same run into a given folder
//   job.requestStop();          // from a handler run inside a yield: stops at the next one
//
// However a run ends (normal end, stop, closed window, write failure), the PST is closed with
// its last commit and takes its final name, and lastRun() counts what the file holds.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "convert/JobSeams.h"
#include "convert/JobState.h"
#include "convert/MailboxFolders.h"
#include "convert/OpenMAPIFolder.h"
#include "convert/PrivateFolder.h"
#include "convert/TimeStamp.h"
#include "mapi/ImportOptions.h"
#include "platform/Ui.h"

namespace tolvane::store {
class Folder;
class MailItem;
class Store;
class WriteFailure;
}  // namespace tolvane::store

namespace tolvane::convert {

// The outside objects a run creates, what it tells the import, and where its error box points
// the user.
struct JobEnvironment {
    std::function<std::unique_ptr<store::Session>()> createSession;
    OutlookFactory createOutlook;
    Clock clock;
    std::string troubleshootingUrl;
    // Polled at every yield besides requestStop(): true once the window is unloading or a
    // signal asks the program to end. The run stops without a closing box.
    std::function<bool()> stopRequested;
    // Told the files the run will import, in queue order, with the options they are imported
    // with, so they can be read ahead; told an empty list once when the run ends, before the
    // store file's last commit. Optional. The files come a stretch at a time: the first with
    // readAhead, each further one with readAheadMore once the run is halfway through the
    // stretch before.
    std::function<void(std::vector<std::string>, const mapi::ImportOptions&)> readAhead;
    std::function<void(std::vector<std::string>)> readAheadMore;
    std::size_t readAheadStretch = 2048;
    // Passed with every import: the charset of undeclared 8-bit text.
    mapi::ImportOptions importOptions;
    // A folder name in legacy bytes (not UTF-8), read as undeclared message text is under the
    // options. Optional: without it such a name keeps its bytes.
    std::function<std::string(std::string_view name, const mapi::ImportOptions&)> decodeLegacyName;
};

// The process's profile, Outlook and import, the system clock and the Help manual.
JobEnvironment processEnvironment(mapi::ImportOptions importOptions = {});

class ConversionJob {
  public:
    ConversionJob(Ui& ui, QueueSource& queue, ProgressSink& progress, JobState& state,
                  JobEnvironment environment);

    // The click handler: asks for the destination (again, after the error box, while the
    // folder picked cannot be written to) and runs. A click while a run is under way (from
    // inside a yield) starts nothing.
    void CmdExtractDBX_Click();
    // The same run into `destination` without asking; a folder that cannot be written to
    // fails the run with the error box. Returns lastRun().
    const RunResult& run(const std::string& destination);
    // Stops a run at its next yield (the Stop button); the PST is closed with what was
    // stored so far and the closing box says how far the run got.
    void requestStop() { stopRequested_ = true; }
    bool running() const { return running_; }
    const RunResult& lastRun() const { return result_; }

  private:
    struct StopRequested {
        bool tellUser;
    };

    // One run: the guard that resets, ends and cleans up, around `body`.
    void runGuarded(const std::function<void()>& body);
    void yield();
    bool hasFilesToConvert();
    std::string pickDestination();
    void convertInto(const std::string& destination);
    void tellAboutLeftovers();

    // Steps that end the run with the error box when they fail.
    bool prepare();
    void openSession();
    // Reading the files the run imports itself ahead starts here.
    void collectFolderPaths();
    void addStore();

    // Steps that go on after a failure (continue-on-error).
    void createFolders();
    void storeMessages();
    bool readBySource(std::int64_t row, const std::string& file) const;
    std::string storeOne(std::int64_t row, const std::string& file, bool& stored);
    void storeSource(std::int64_t row, const std::string& file);
    void reportProgress(std::int64_t row, const std::string& folderPath);
    std::uint64_t committedMessages() const;
    std::string targetFolderPath(const std::string& file) const;
    std::shared_ptr<store::Folder> folderFor(const std::string& folderPath);
    std::shared_ptr<store::Folder> createFolderPath(const std::string& folderPath);
    std::shared_ptr<store::MailItem> importItem(store::Folder& folder, const std::string& file);
    void warnIfChanged(std::int64_t row, const std::string& file,
                       const std::optional<FileStamp>& read);

    void closeStore();
    void finish();
    void finishStopped(bool tellUser);
    void finishAfterWriteFailure(const store::WriteFailure& failure);
    void recordWriteFailure(const store::WriteFailure& failure);
    void failRun(const std::string& cause);
    void showEndBox();
    void showErrorBox(const std::string& cause);
    void announceReadAhead(std::vector<std::string> paths);
    // The next stretch of the message files to read ahead, from row readAheadRow_ on.
    std::int64_t routedRows() const;
    std::size_t firstReadAheadStretch() const;
    std::vector<std::string> nextReadAheadStretch();
    void keepReadingAhead(std::int64_t row);
    std::string folderPathOf(const std::string& file) const;

    Ui& ui_;
    QueueSource& queue_;
    ProgressSink& progress_;
    JobState& state_;
    JobEnvironment environment_;
    RunResult result_;
    std::shared_ptr<store::Store> store_;             // this run's store, until the run ends
    std::string entryId_;                             // its entry identifier
    std::unique_ptr<MailboxFolders> mailboxFolders_;  // its folders by the mailbox's rule
    std::unique_ptr<PrivateFolder> spoolFolder_;      // where archives' large items spool
    std::int64_t stored_ = 0;
    std::int64_t messagesDone_ = 0;   // messages taken up, as JobProgress counts them
    std::int64_t messagesTotal_ = 0;  // messages queued, as counted when queued
    bool archivesQueued_ = false;
    // Where each contact, appointment and task was among all items handed to the store, in
    // order: the store's committed count holds them too.
    std::vector<std::uint64_t> otherItemsAt_;
    // Whether SourceWriter reads each row: decided once, as deciding looks on disk for the
    // .meta beside a message file. A bit a row, as a queue may hold 1,000,000; it holds while
    // the queue has not been emptied since (rows keep their files until then).
    std::vector<bool> rowBySource_;
    std::uint64_t routesTimesEmptied_ = 0;
    std::int64_t readAheadRow_ = 0;  // the first row not yet announced for reading ahead
    bool readAheadOut_ = false;      // files are announced and not yet withdrawn
    // The store folder of each message folder path met: a file's folder is found once, not
    // again (name by name, each folded) for every file in it.
    std::unordered_map<std::string, std::shared_ptr<store::Folder>> foldersByPath_;
    bool messagesCounted_ = false;  // the queue's messages are counted, none being a count too
    bool running_ = false;
    bool started_ = false;
    bool stopRequested_ = false;
};

}  // namespace tolvane::convert
