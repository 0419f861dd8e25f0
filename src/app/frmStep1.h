#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Layout.h"
#include "convert/JobSeams.h"
#include "platform/Ui.h"
#include "platform/ViewSettingsStore.h"
#include "queue/FileQueue.h"
#include "queue/GridModel.h"
#include "queue/QueueWindow.h"

namespace tolvane::app {

// The program's one window as behaviour, the same on every system: the queue in its grid, one
// handler per button, the captions and the bar the job's events become, and which buttons
// may be used when. The Qt and the Win32 window derive from it: they build their widgets from
// the layout table, forward each click to Click(), and carry out the few widget operations
// declared at the end. Modal interaction goes through the Ui seam.
//
// While a run is under way the queue stays as the job reads it: Add Files, Add Folder and
// Clear are disabled from the Convert click until the run has ended, and Convert reads
// "&Stop" and stops the run (the PST committed and named, the box saying how far it got)
// without ending the program. While Add Folder fills the queue, Convert waits for it,
// disabled. Help and Exit always answer.
class frmStep1 : public queue::QueueWindow,
                 public convert::QueueSource,
                 public convert::ProgressSink {
  public:
    static constexpr char kExitQuestion[] = "Are you sure you want to exit now?";
    static constexpr char kNoBrowser[] =
        "No browser could open the Help manual. You can open it yourself: ";
    static constexpr char kNoManual[] = "The Help manual was not found";
    // How often the window asks whether the system wants the program to stop.
    static constexpr int kStopWatchMs = 200;

    // helpManual: where the Help manual belongs (convert::helpManual() for the running program).
    frmStep1(Ui& ui, ViewSettingsStore& viewSettings, std::filesystem::path helpManual);
    frmStep1(const frmStep1&) = delete;
    frmStep1& operator=(const frmStep1&) = delete;

    queue::GridModel& grid() noexcept { return grid_; }
    // The conversion's working path list, owned here; one empty entry after start and clear.
    std::vector<std::string>& workingPathList() noexcept { return workingPathList_; }
    // What "Convert Messages" runs, and what "Stop" does while it runs; nothing until the
    // conversion job is plugged in.
    void setConvertJob(std::function<void()> run, std::function<void()> stop = {});
    // Asked every kStopWatchMs; true unloads the window, as the close box does.
    void setStopWatch(std::function<bool()> stopAsked) { stopAsked_ = std::move(stopAsked); }
    bool converting() const noexcept { return converting_; }

    // A click on a control: runs its handler unless the control is disabled. A failure the
    // handler does not handle itself is shown, and the program goes on.
    void Click(Control which);

    // The button handlers.
    void cmdAdd_Click();
    void CmdAddFolder_Click();
    void cmdClear1_Click();
    void CmdExtractDBX_Click();
    void CmdHelp_Click();
    void cmdEnd_Click();

    // Unloading (Exit confirmed, or the close box) ends the program at once: the window
    // hides, its event loop is told to end, and a handler that yields stops where it is.
    void Unload();

    // queue::QueueWindow
    Ui& ui() override { return ui_; }
    queue::FileQueue& fileQueue() override { return fileQueue_; }
    // The queue commands' word on Convert; the window still keeps it disabled while a run
    // is under way or Add Folder fills the queue.
    void setConvertEnabled(bool enabled) override;
    bool unloaded() const override { return unloaded_; }

    // convert::QueueSource
    std::int64_t rowCount() const override;
    std::string selectRow(std::int64_t row) override;
    std::string rowText(std::int64_t row) const override;
    std::optional<FileStamp> queuedStamp(std::int64_t row) const override;
    std::uint64_t queuedMessages(std::int64_t row) const override;
    std::uint64_t timesEmptied() const override;

    // convert::ProgressSink: the bar at 0 at the start; after each message the frame
    // "Details : Converting - (i of n) file(s)", the label "Converting Messages... from
    // (folder)" and the bar at i / n * 100; Convert disabled once messages were taken up.
    // With an export archive queued the frame counts messages, not rows: "Details :
    // Converting - (1,234 of 100,000) messages", and the label names the archive.
    void runStarted() override;
    void runProgressed(const convert::JobProgress& progress) override;
    void runEnded(const convert::RunResult& result) override;

  protected:
    // Load, once the window's widgets exist: the grid's column width and every button's state.
    void Form_Load();
    // The window's timer, every kStopWatchMs.
    void StopWatch_Timer();

    // What the behaviour asks of the widgets.
    virtual void showCaption(Control which, const std::string& caption) = 0;
    virtual void enableControl(Control which, bool enabled) = 0;
    virtual void showProgress(float percent) = 0;  // the bar, from 0 to 100
    // Hides the window and tells its event loop to end.
    virtual void endEventLoop() = 0;

  private:
    // Counts one more piece of work under way for as long as it lives; the buttons follow.
    class Busy;

    void runHandler(void (frmStep1::*handler)());
    void refreshButtons(bool always = false);

    Ui& ui_;
    ViewSettingsStore& viewSettings_;
    std::filesystem::path helpManual_;
    queue::GridModel grid_;
    std::vector<std::string> workingPathList_{std::string()};
    queue::FileQueue fileQueue_;
    std::function<void()> convertJob_;
    std::function<void()> stopJob_;
    std::function<bool()> stopAsked_;
    std::array<bool, kControlCount> enabled_{};
    bool convertWanted_ = false;  // what the queue commands and the last run said
    int runsUnderWay_ = 0;        // Convert clicks not yet returned
    int foldersFilling_ = 0;      // Add Folder clicks not yet returned
    bool converting_ = false;     // between the job's start and end events
    bool unloaded_ = false;
};

}  // namespace tolvane::app
