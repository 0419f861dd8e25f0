// The window driven headless, wired to the conversion job as the program wires it: a folder
// tree queued with Add Folder, converted with Convert, the PST read back by the independent
// readers. Also: closing the window mid-run leaves a valid PST.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "app/frmStep1.h"
#include "convert/ConversionJob.h"
#include "platform/ScriptedUi.h"
#include "queue/ViewSettingsFile.h"

namespace tolvane::convert {
namespace {

class WindowConversionTest : public ::testing::Test {
  protected:
    WindowConversionTest() {
        window.setConvertJob([this] { job.CmdExtractDBX_Click(); });
    }

    // As the program wires it: the job stops at its next yield once the window unloads.
    JobEnvironment stoppingWithTheWindow() {
        JobEnvironment environment = processEnvironment();
        environment.stopRequested = [this] { return window.unloaded(); };
        return environment;
    }

    void writeMessage(const std::string& relative, const std::string& subject) {
        const auto file = source.path() / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            << "From: Ann Example <ann@example.org>\r\nTo: Bob Example <bob@example.org>\r\n"
               "Subject: "
            << subject
            << "\r\nDate: Sun, 06 Dec 2026 04:05:07 +0000\r\n"
               "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
               "Body of "
            << subject << "\r\n";
    }

    std::string pstPath() const {
        for (const auto& entry : std::filesystem::directory_iterator(dest.path())) {
            if (entry.path().extension() == ".pst") {
                return entry.path().string();
            }
        }
        return {};
    }

    // Folder path below the store's top of the source folder's subfolder `leaf`, as JSON.
    std::string folderJson(const std::string& leaf) const {
        std::string json = "[\"Top of Personal Folders\"";
        for (const auto& part : (source.path() / leaf).relative_path()) {
            json += ",\"" + part.string() + "\"";
        }
        return json + "]";
    }

    tolvane::testing::TempDir source;
    tolvane::testing::TempDir dest;
    tolvane::testing::TempDir settings;
    tolvane::testing::ScriptedUi ui;
    queue::ViewSettingsFile viewSettings{settings.path() / "view-settings"};
    app::frmStep1 window{ui, viewSettings};
    JobState state{window.workingPathList()};
    ConversionJob job{ui, window, window, state, stoppingWithTheWindow()};
};

TEST_F(WindowConversionTest, AFolderTreeQueuedInTheWindowConvertsIntoOnePst) {
    writeMessage("Mail/Inbox/a.eml", "First");
    writeMessage("Mail/Inbox!1/b.eml", "Second");
    writeMessage("Mail/\u00c9t\u00e9/c.eml", "Third");
    ui.folderAnswers = {source.path().string()};
    window.CmdAddFolder_Click();
    ASSERT_TRUE(window.controls().CmdExtractDBX->isEnabled());

    ui.folderAnswers = {dest.path().string()};
    ui.messageBoxes.clear();
    window.controls().CmdExtractDBX->click();

    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text, "Open Outlook to view converted PST file.");
    EXPECT_FALSE(window.controls().CmdExtractDBX->isEnabled());
    EXPECT_EQ(window.controls().ProgressBar1->Value(), 100.0f);
    EXPECT_EQ(window.controls().FrameConversion->title().toStdString(),
              "Details : Converting - (3 of 3) file(s)");
    EXPECT_EQ(window.rowCount(), 3);

    const std::string pst = pstPath();
    ASSERT_FALSE(pst.empty());
    const auto expected = dest.path() / "expected.json";
    std::ofstream(expected)
        << "{\"folders\":[{\"path\":" << folderJson("Mail/Inbox")
        << ",\"messages\":[{\"subject\":\"First\",\"read\":true,\"has_attachments\":false},"
           "{\"subject\":\"Second\",\"read\":true,\"has_attachments\":false}]},"
        << "{\"path\":" << folderJson("Mail/\u00c9t\u00e9")
        << ",\"messages\":[{\"subject\":\"Third\",\"body\":\"Body of Third\"}]}]}";
    const std::string compare = "/usr/bin/python3 " TOLVANE_TEST_ROOT
                                "/support/pst_readers.py compare '" +
                                pst + "' '" + expected.string() + "'";
    EXPECT_EQ(std::system(compare.c_str()), 0);
    EXPECT_EQ(std::system((std::string(TOLVANE_PSTCHECK) + " '" + pst + "' > /dev/null").c_str()),
              0);
}

TEST_F(WindowConversionTest, ClosingTheWindowMidRunStopsWithAValidPst) {
    for (int k = 0; k < 6; ++k) {
        writeMessage("Mail/Inbox/m" + std::to_string(k) + ".eml", "Message " + std::to_string(k));
    }
    ui.folderAnswers = {source.path().string()};
    window.CmdAddFolder_Click();
    ui.folderAnswers = {dest.path().string()};
    ui.messageBoxes.clear();
    window.show();
    int barUpdates = 0;
    ui.onDoEvents = [&](int) {
        if (window.controls().ProgressBar1->Value() > 0 && ++barUpdates == 3) {
            window.close();  // the close box: never asks, never refused
        }
    };
    window.controls().CmdExtractDBX->click();

    EXPECT_TRUE(window.unloaded());
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(job.lastRun().outcome, RunReport::Outcome::Stopped);
    EXPECT_EQ(state.session, nullptr);
    const std::string pst = pstPath();
    ASSERT_FALSE(pst.empty());
    EXPECT_EQ(std::system((std::string(TOLVANE_PSTCHECK) + " '" + pst + "' > /dev/null").c_str()),
              0);
    // readpst is left out: it shows To from the transport headers as one name.
    const std::string agree = "/usr/bin/python3 " TOLVANE_TEST_ROOT
                              "/support/pst_readers.py agree --readers pffexport,pypff '" +
                              pst + "'";
    EXPECT_EQ(std::system(agree.c_str()), 0);
    EXPECT_EQ(job.lastRun().messages, 6);
    EXPECT_TRUE(job.lastRun().failures.empty());
}

}  // namespace
}  // namespace tolvane::convert
