#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/frmStep1.h"
#include "platform/ScriptedUi.h"
#include "queue/ViewSettingsFile.h"

namespace tolvane::app {

// A folder of its own under the system's temp folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tolvane-app-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder's path as a string, with no trailing separator.
    std::string str() const { return path_.string(); }

    // Creates the file (and its folders) at a path relative to the folder.
    void file(const std::string& relative) const {
        const auto full = path_ / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full) << "Subject: test\r\n\r\nbody\r\n";
    }
    void folder(const std::string& relative) const {
        std::filesystem::create_directories(path_ / relative);
    }

  private:
    std::filesystem::path path_;
};

// One window per test, with a scripted UI and a view-settings file of its own.
class WindowTest : public ::testing::Test {
  protected:
    WindowTest()
        : viewSettings_(settingsFolder_.path() / "tolvane" / "explorer-view-settings"),
          window_(std::make_unique<frmStep1>(ui_, viewSettings_)) {}

    frmStep1& window() { return *window_; }
    const frmStep1::Controls& c() { return window_->controls(); }

    // The texts of column 0, row by row.
    std::vector<std::string> queuedPaths() {
        std::vector<std::string> rows;
        for (int row = 0; row < c().grdFiles1->rowCount(); ++row) {
            const QTableWidgetItem* cell = c().grdFiles1->item(row, 0);
            rows.push_back(cell != nullptr ? cell->text().toStdString() : std::string());
        }
        return rows;
    }
    std::string countCaption() { return c().lblCount1->text().toStdString(); }

    // Queues paths the way a user does it: one multiple choice in the file-open dialog.
    void addFiles(const std::vector<std::string>& names, const std::string& folder = "/m") {
        std::string result = folder;
        for (const auto& name : names) {
            result.push_back('\0');
            result += name;
        }
        ui_.answerFiles(result);
        window().cmdAdd_Click();
    }

    testing::ScriptedUi ui_;
    TempFolder settingsFolder_;
    queue::ViewSettingsFile viewSettings_;
    std::unique_ptr<frmStep1> window_;
};

}  // namespace tolvane::app
