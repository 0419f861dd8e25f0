#pragma once

// The conversion job behind "Convert &Messages": the queue in, one new PST store out, with
// the folder tree of the queued files below their drive (or POSIX root). One job serves the
// window and the command line through the job seams.
//
//   ConversionJob job(ui, queue, progress, state, processEnvironment());
//   job.CmdExtractDBX_Click();  // runs the whole conversion, yielding through ui.doEvents()
//   job.requestStop();          // from a handler run inside a yield: stops at the next one
//
// However a run ends (normal end, stop, closed window, write failure), the PST is closed with
// its last commit and takes its final name, and lastRun() counts what the file holds.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/JobSeams.h"
#include "convert/JobState.h"
#include "convert/MailboxFolders.h"
#include "convert/OpenMAPIFolder.h"
#include "convert/PrivateFolder.h"
#include "convert/TimeStamp.h"
#include "platform/Ui.h"

namespace tolvane::store {
class Folder;
class Store;
class WriteFailure;
}  // namespace tolvane::store

namespace tolvane::convert {

// The outside objects a run creates, and where its error box points the user.
struct JobEnvironment {
    std::function<std::unique_ptr<store::Session>()> createSession;
    OutlookFactory createOutlook;
    Clock clock;
    std::string troubleshootingUrl;
    // Polled at every yield besides requestStop(): true once the window is unloading or a
    // signal asks the program to end. The run stops without a closing box.
    std::function<bool()> stopRequested;
    // Told the files the run will import, in queue order, so they can be read ahead; told an
    // empty list when the run ends. Optional.
    std::function<void(std::vector<std::string>)> readAhead;
};

// The process's profile and Outlook, the system clock and the Help manual.
JobEnvironment processEnvironment();

class ConversionJob {
  public:
    ConversionJob(Ui& ui, QueueSource& queue, ProgressSink& progress, JobState& state,
                  JobEnvironment environment);

    // The click handler. A click while a run is under way (from inside a yield) starts nothing.
    void CmdExtractDBX_Click();
    // Stops a run at its next yield (the Stop button); the PST is closed with what was
    // stored so far and the closing box says how far the run got.
    void requestStop() { stopRequested_ = true; }
    bool running() const { return running_; }
    const RunResult& lastRun() const { return result_; }

  private:
    struct StopRequested {
        bool tellUser;
    };

    void run();
    void yield();
    bool queueIsEmpty();
    void tellAboutLeftovers();
    std::string prepareStore();  // returns the store's entry identifier
    void createFolders(const std::string& entryId);
    void storeMessages(const std::string& entryId);
    std::string storeOne(std::int64_t row, const std::string& text, const std::string& entryId,
                         bool& stored);
    void storeSource(std::int64_t row, const std::string& text);
    void warnIfChanged(std::int64_t row, const std::string& text);
    void reportProgress(std::int64_t row, const std::string& folderPath);
    std::shared_ptr<store::Folder> createFolderPath(const std::string& folderPath,
                                                    const std::string& entryId);
    void closeStore();
    void finish();
    void finishStopped(bool tellUser);
    void finishAfterWriteFailure(const store::WriteFailure& failure);
    void showEndBox();
    void showErrorBox(const std::string& cause);
    void announceReadAhead(std::vector<std::string> paths);

    Ui& ui_;
    QueueSource& queue_;
    ProgressSink& progress_;
    JobState& state_;
    JobEnvironment environment_;
    RunResult result_;
    std::shared_ptr<store::Store> store_;             // this run's store, until the run ends
    std::unique_ptr<MailboxFolders> mailboxFolders_;  // its folders by the mailbox's rule
    std::unique_ptr<PrivateFolder> spoolFolder_;      // where archives' large items spool
    std::int64_t stored_ = 0;
    bool running_ = false;
    bool started_ = false;
    bool stopRequested_ = false;
};

}  // namespace tolvane::convert
