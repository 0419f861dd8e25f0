#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/ScriptedUi.h"
#include "queue/AddFilesCommand.h"
#include "queue/AddFolderCommand.h"
#include "queue/ClearFilesCommand.h"
#include "queue/FileQueue.h"
#include "queue/GridModel.h"
#include "queue/QueueWindow.h"
#include "queue/ViewSettingsFile.h"

namespace tolvane::queue {

// The window as the queue commands see it: the real grid and queue, a scripted Ui, and what
// the commands said of Convert and of the count label.
class QueueWindowDouble : public QueueWindow {
  public:
    QueueWindowDouble()
        : queue_(
              grid, [this](const std::string& caption) { countCaption = caption; },
              workingPathList) {}

    Ui& ui() override { return scriptedUi; }
    FileQueue& fileQueue() override { return queue_; }
    void setConvertEnabled(bool enabled) override { convertEnabled = enabled; }
    bool unloaded() const override { return closed; }

    testing::ScriptedUi scriptedUi;
    GridModel grid;
    std::vector<std::string> workingPathList{""};
    std::string countCaption;
    bool convertEnabled = false;
    bool closed = false;

  private:
    FileQueue queue_;
};

// One queue per test, with a view-settings file of its own; the commands as the buttons run
// them, with POSIX paths on every system.
class QueueTest : public ::testing::Test {
  protected:
    QueueTest() : viewSettings_(settingsFolder_.path() / "tolvane" / "explorer-view-settings") {}

    // The texts of column 0, row by row.
    std::vector<std::string> queuedPaths() const {
        std::vector<std::string> rows;
        for (int row = 0; row < window_.grid.Rows(); ++row) {
            rows.push_back(window_.grid.CellText(row, 0));
        }
        return rows;
    }
    const std::string& countCaption() const { return window_.countCaption; }

    void clickAdd() { AddMessageFiles(window_, viewSettings_, shell::PathSyntax::Posix); }
    void clickAddFolder() { AddFolder(window_, shell::PathSyntax::Posix); }
    void clickClear() { ClearFiles(window_); }

    // Queues paths the way a user does it: one multiple choice in the file-open dialog.
    void addFiles(const std::vector<std::string>& names, const std::string& folder = "/m") {
        ui_.answerFilesIn(folder, names);
        clickAdd();
    }

    QueueWindowDouble window_;
    testing::ScriptedUi& ui_ = window_.scriptedUi;
    TempFolder settingsFolder_;
    ViewSettingsFile viewSettings_;
};

}  // namespace tolvane::queue
