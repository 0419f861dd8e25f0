#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <functional>
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
// reads the queue and reports progress through the two job seams it implements.
class frmStep1 : public QWidget,
                 public queue::QueueWindow,
                 public convert::QueueSource,
                 public convert::ProgressSink {
  public:
    static constexpr char kCaption[] = "Tolvane v3.0";
    static constexpr char kExitQuestion[] = "Are you sure you want to exit now?";

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
    // What "Convert Messages" runs; nothing until the conversion job is plugged in.
    void setConvertJob(std::function<void()> job) { convertJob_ = std::move(job); }

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
    void setConvertEnabled(bool enabled) override;  // also convert::ProgressSink
    bool unloaded() const override { return unloaded_; }

    // convert::QueueSource
    std::int64_t rowCount() const override;
    std::string selectRow(std::int64_t row) override;

    // convert::ProgressSink
    void setFrameCaption(const std::string& caption) override;
    void setLabelCaption(const std::string& caption) override;
    void setBarRange(int minimum, int maximum) override;
    void setBarValue(float value) override;

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
    bool placed_ = false;
    bool unloaded_ = false;
};

}  // namespace tolvane::app
