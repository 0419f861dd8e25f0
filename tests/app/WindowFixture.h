#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "app/qt/FilledRectangle.h"
#include "app/qt/GridView.h"
#include "app/qt/ProgressBarControl.h"
#include "app/qt/QtWindow.h"
#include "platform/ScriptedUi.h"
#include "queue/ViewSettingsFile.h"

namespace tolvane::app {

using queue::TempFolder;

// The window's widgets under their names in the layout table, each as its own type.
struct Controls {
    explicit Controls(const QtWindow& w)
        : Shape2(w.control<FilledRectangle>(app::Shape2)),
          Image1(w.control<QLabel>(app::Image1)),
          lblTitle(w.control<QLabel>(app::lblTitle)),
          lblCopyright(w.control<QLabel>(app::lblCopyright)),
          cmdAdd(w.control<QPushButton>(app::cmdAdd)),
          CmdAddFolder(w.control<QPushButton>(app::CmdAddFolder)),
          cmdClear1(w.control<QPushButton>(app::cmdClear1)),
          lblCount1(w.control<QLabel>(app::lblCount1)),
          grdFiles1(w.control<GridView>(app::grdFiles1)),
          FrameConversion(w.control<QGroupBox>(app::FrameConversion)),
          LblCurrentDBX(w.control<QLabel>(app::LblCurrentDBX)),
          LblProgessCurrent(w.control<QLabel>(app::LblProgessCurrent)),
          Label1(w.control<QLabel>(app::Label1)),
          ProgressBar1(w.control<ProgressBarControl>(app::ProgressBar1)),
          CmdExtractDBX(w.control<QPushButton>(app::CmdExtractDBX)),
          Shape1(w.control<FilledRectangle>(app::Shape1)),
          Picture3(w.control(app::Picture3)),
          CmdHelp(w.control<QPushButton>(app::CmdHelp)),
          cmdEnd(w.control<QPushButton>(app::cmdEnd)) {}

    FilledRectangle* Shape2;
    QLabel* Image1;
    QLabel* lblTitle;
    QLabel* lblCopyright;
    QPushButton* cmdAdd;
    QPushButton* CmdAddFolder;
    QPushButton* cmdClear1;
    QLabel* lblCount1;
    GridView* grdFiles1;
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

// One window per test, with a scripted UI, a view-settings file and a Help manual of its own.
class WindowTest : public ::testing::Test {
  protected:
    WindowTest()
        : viewSettings_(settingsFolder_.path() / "tolvane" / "explorer-view-settings"),
          manual_(writeManual(settingsFolder_)),
          window_(std::make_unique<QtWindow>(ui_, viewSettings_, manual_)),
          c_(*window_) {}

    QtWindow& window() { return *window_; }
    const Controls& c() { return c_; }

    // The texts the grid shows in column 0, row by row.
    std::vector<std::string> queuedPaths() {
        std::vector<std::string> rows;
        const QAbstractItemModel& cells = *c().grdFiles1->model();
        for (int row = 0; row < cells.rowCount(); ++row) {
            rows.push_back(cells.index(row, 0).data().toString().toStdString());
        }
        return rows;
    }
    std::string countCaption() { return c().lblCount1->text().toStdString(); }

    // Queues paths the way a user does it: one multiple choice in the file-open dialog.
    void addFiles(const std::vector<std::string>& names, const std::string& folder = "/m") {
        ui_.answerFilesIn(folder, names);
        window().cmdAdd_Click();
    }

    static std::filesystem::path writeManual(const TempFolder& folder) {
        folder.file("share/doc/tolvane/help.html");
        return folder.path() / "share" / "doc" / "tolvane" / "help.html";
    }

    testing::ScriptedUi ui_;
    TempFolder settingsFolder_;
    queue::ViewSettingsFile viewSettings_;
    std::filesystem::path manual_;
    std::unique_ptr<QtWindow> window_;
    Controls c_;
};

}  // namespace tolvane::app
