#pragma once

// The conversion job behind "Convert &Messages": the queue in, one new PST store out, with
// the folder tree of the queued files below their drive (or POSIX root). One job serves the
// window and the command line through the job seams.
//
//   ConversionJob job(ui, queue, progress, state, processEnvironment());
//   job.CmdExtractDBX_Click();  // runs the whole conversion, yielding through ui.doEvents()
//   job.requestStop();          // from a handler run inside a yield: stops at the next one

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/JobSeams.h"
#include "convert/JobState.h"
#include "convert/OpenMAPIFolder.h"
#include "convert/TimeStamp.h"
#include "platform/Ui.h"

namespace tolvane::store {
class Folder;
}

namespace tolvane::convert {

// The outside objects a run creates, and where its error box points the user.
struct JobEnvironment {
    std::function<std::unique_ptr<store::Session>()> createSession;
    OutlookFactory createOutlook;
    Clock clock;
    std::string troubleshootingUrl;
    // Polled at every yield besides requestStop(): true once the window is unloading.
    std::function<bool()> stopRequested;
    // Told the files the run will import, in queue order, so they can be read ahead; told an
    // empty list when the run ends. Optional.
    std::function<void(std::vector<std::string>)> readAhead;
};

// The process's profile and Outlook, the system clock and the Help manual.
JobEnvironment processEnvironment();

struct MessageFailure {
    std::string path;
    std::string reason;
};

// How the last run ended, for front ends that report more than the window's boxes.
struct RunReport {
    enum class Outcome { NotRun, Cancelled, Failed, Completed, Stopped };
    Outcome outcome = Outcome::NotRun;
    std::string storePath;
    std::string errorCause;     // Failed: the cause shown in the error box
    std::int64_t messages = 0;  // rows taken up for storing
    std::vector<MessageFailure> failures;
    std::string storeFailure;  // the PST could not be completed at logoff
};

class ConversionJob {
  public:
    ConversionJob(Ui& ui, QueueSource& queue, ProgressSink& progress, JobState& state,
                  JobEnvironment environment);

    // The click handler. A click while a run is under way (from inside a yield) starts nothing.
    void CmdExtractDBX_Click();
    // Stops a run at its next yield; the PST is closed with what was stored so far.
    void requestStop() { stopRequested_ = true; }
    bool running() const { return running_; }
    const RunReport& lastRun() const { return report_; }

  private:
    struct StopRequested {};

    void run();
    void yield();
    std::string prepareStore();  // steps 4 to 9; returns the store's entry identifier
    void createFolders(const std::string& entryId);
    void storeMessages(const std::string& entryId);
    std::string storeOne(const std::string& text, const std::string& entryId);
    std::shared_ptr<store::Folder> createFolderPath(const std::string& folderPath,
                                                    const std::string& entryId);
    void finish();
    void finishStopped();
    void showErrorBox(const std::string& cause);
    void announceReadAhead(std::vector<std::string> paths);

    Ui& ui_;
    QueueSource& queue_;
    ProgressSink& progress_;
    JobState& state_;
    JobEnvironment environment_;
    RunReport report_;
    bool running_ = false;
    bool stopRequested_ = false;
};

}  // namespace tolvane::convert
