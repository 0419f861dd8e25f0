#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/FilledRectangle.h"
#include "app/FlexGrid.h"
#include "app/ProgressBarControl.h"
#include "convert/JobSeams.h"
#include "platform/Ui.h"
#include "queue/FileQueue.h"
#include "queue/QueueWindow.h"
#include "queue/ViewSettingsStore.h"

namespace tolvane::app {

// The program's one window: every control of the layout table, the queue in its grid, and
// one handler per button. Modal interaction goes through the Ui seam. The conversion job
// reads the queue and reports its events through the two job seams it implements; the
// window turns them into its captions and bar. While a run is under way the Convert button
// reads "&Stop" and stops the run (the PST is committed and named, the box says how far it
// got) without ending the program.
class frmStep1 : public QWidget,
                 public queue::QueueWindow,
                 public convert::QueueSource,
                 public convert::ProgressSink {
  public:
    static constexpr char kCaption[] = "Tolvane v3.0";
    static constexpr char kExitQuestion[] = "Are you sure you want to exit now?";
    static constexpr char kConvertCaption[] = "Convert &Messages";
    static constexpr char kStopCaption[] = "&Stop";

    // The window's controls, under their names in the layout table.
    struct Controls {
        FilledRectangle* Shape2;
        QLabel* Image1;
        QLabel* lblTitle;
        QLabel* lblCopyright;
        QPushButton* cmdAdd;
        QPushButton* CmdAddFolder;
        QPushButton* cmdClear1;
        QLabel* lblCount1;
        FlexGrid* grdFiles1;
        QGroupBox* FrameConversion;
        QLabel* LblCurrentDBX;
        QLabel* LblProgessCurrent;
        QLabel* Label1;
        ProgressBarControl* ProgressBar1;
        QPushButton* CmdExtractDBX;
        FilledRectangle* Shape1;
        QWidget* Picture3;
        QPushButton* CmdHelp;
        QPushButton* cmdEnd;
    };

    frmStep1(Ui& ui, queue::ViewSettingsStore& viewSettings, QWidget* parent = nullptr);

    const Controls& controls() const noexcept { return c_; }

    // The conversion's working path list, owned here; one empty entry after start and clear.
    std::vector<std::string>& workingPathList() noexcept { return workingPathList_; }
    // What "Convert Messages" runs, and what "Stop" does while it runs; nothing until the
    // conversion job is plugged in.
    void setConvertJob(std::function<void()> run, std::function<void()> stop = {}) {
        convertJob_ = std::move(run);
        stopJob_ = std::move(stop);
    }
    bool converting() const noexcept { return converting_; }

    // The button handlers.
    void cmdAdd_Click();
    void CmdAddFolder_Click();
    void cmdClear1_Click();
    void CmdExtractDBX_Click();
    void CmdHelp_Click();
    void cmdEnd_Click();

    // Unloading (Exit confirmed, or the close box) ends the program at once: the window
    // hides, the event loop is told to end, and a handler that yields stops where it is.
    void Unload();

    // queue::QueueWindow
    Ui& ui() override { return ui_; }
    queue::FileQueue& fileQueue() override { return fileQueue_; }
    void setConvertEnabled(bool enabled) override;
    bool unloaded() const override { return unloaded_; }

    // convert::QueueSource
    std::int64_t rowCount() const override;
    std::string selectRow(std::int64_t row) override;
    std::optional<FileStamp> queuedStamp(std::int64_t row) const override;

    // convert::ProgressSink: the bar's range 0 to 100 at the start; after each message the
    // frame "Details : Converting - (i of n) file(s)", the label "Converting Messages...
    // from (folder)" and the bar at i / n * 100; Convert disabled once messages were taken up.
    void runStarted() override;
    void runProgressed(const convert::JobProgress& progress) override;
    void runEnded(const convert::RunResult& result) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void Form_Initialize();
    void Form_Load();
    Controls buildControls();
    static void chainTabOrder(const Controls& c);
    // Runs a handler; a failure it does not handle itself is shown, and the program goes on.
    void runHandler(const std::function<void()>& handler);

    Ui& ui_;
    queue::ViewSettingsStore& viewSettings_;
    Controls c_{};
    std::vector<std::string> workingPathList_{std::string()};
    queue::FileQueue fileQueue_;
    std::function<void()> convertJob_;
    std::function<void()> stopJob_;
    bool converting_ = false;
    bool placed_ = false;
    bool unloaded_ = false;
};

}  // namespace tolvane::app
