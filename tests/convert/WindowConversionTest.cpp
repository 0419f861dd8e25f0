// The window driven headless, wired to the conversion job as the program wires it: a folder
// tree queued with Add Folder, converted with Convert, the PST read back by the independent
// readers and the checker. Closing the window or pressing Stop mid-run leaves a valid PST
// under its final name holding exactly the count the run reports.

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "PstContents.h"
#include "TempDir.h"
#include "app/qt/ProgressBarControl.h"
#include "app/qt/QtWindow.h"
#include "convert/ConversionJob.h"
#include "platform/ScriptedUi.h"
#include "queue/ViewSettingsFile.h"

namespace tolvane::convert {
namespace {

class WindowConversionTest : public ::testing::Test {
  protected:
    WindowConversionTest() {
        window.setConvertJob([this] { job.CmdExtractDBX_Click(); }, [this] { job.requestStop(); });
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

    // The one file in the destination; fails the test when there is not exactly one.
    std::string pstPath() const {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(dest.path())) {
            files.push_back(entry.path().string());
        }
        EXPECT_EQ(files.size(), 1u);
        return files.size() == 1 ? files[0] : std::string();
    }

    // tolvane-pstcheck --strict on the file: the messages it counts, or -1 when it finds a
    // problem (the output is shown).
    static long strictCheckMessages(const std::string& pst) {
        const std::string command =
            std::string(TOLVANE_PSTCHECK) + " --strict " + testing::shellQuoted(pst) + " 2>&1";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
        std::string output;
        char buffer[4096];
        for (std::size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) {
            output.append(buffer, n);
        }
        const int status = pclose(pipe.release());
        std::smatch found;
        if (status != 0 || !std::regex_search(output, found, std::regex(R"(, (\d+) messages)"))) {
            ADD_FAILURE() << output;
            return -1;
        }
        return std::stol(found[1]);
    }

    void queueSixMessages() {
        for (int k = 0; k < 6; ++k) {
            writeMessage("Mail/Inbox/m" + std::to_string(k) + ".eml",
                         "Message " + std::to_string(k));
        }
        ui.folderAnswers = {source.path().string()};
        window.CmdAddFolder_Click();
        ui.folderAnswers = {dest.path().string()};
        ui.messageBoxes.clear();
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
    app::QtWindow window{ui, viewSettings};
    JobState state{window.workingPathList()};
    ConversionJob job{ui, window, window, state, stoppingWithTheWindow()};
};

TEST_F(WindowConversionTest, AFolderTreeQueuedInTheWindowConvertsIntoOnePst) {
    writeMessage("Mail/Inbox/a.eml", "First");
    writeMessage("Mail/Inbox!1/b.eml", "Second");
    writeMessage("Mail/\u00c9t\u00e9/c.eml", "Third");
    ui.folderAnswers = {source.path().string()};
    window.CmdAddFolder_Click();
    ASSERT_TRUE(window.control<QPushButton>(app::CmdExtractDBX)->isEnabled());

    ui.folderAnswers = {dest.path().string()};
    ui.messageBoxes.clear();
    window.control<QPushButton>(app::CmdExtractDBX)->click();

    const std::string pst = pstPath();
    ASSERT_FALSE(pst.empty());
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(
        ui.messageBoxes[0].text,
        "Open Outlook to view converted PST file.\r\n3 of 3 message(s) converted into " + pst);
    EXPECT_EQ(window.control<QPushButton>(app::CmdExtractDBX)->text().toStdString(),
              "Convert &Messages");
    EXPECT_FALSE(window.control<QPushButton>(app::CmdExtractDBX)->isEnabled());
    EXPECT_EQ(window.control<app::ProgressBarControl>(app::ProgressBar1)->Value(), 100.0f);
    EXPECT_EQ(window.control<QGroupBox>(app::FrameConversion)->title().toStdString(),
              "Details : Converting - (3 of 3) file(s)");
    EXPECT_EQ(window.rowCount(), 3);

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
    EXPECT_EQ(strictCheckMessages(pst), 3);
}

TEST_F(WindowConversionTest, ClosingTheWindowMidRunStopsWithAValidPstHoldingWhatItSays) {
    queueSixMessages();
    window.show();
    int barUpdates = 0;
    ui.onDoEvents = [&](int) {
        if (window.control<app::ProgressBarControl>(app::ProgressBar1)->Value() > 0 &&
            ++barUpdates == 3) {
            window.close();  // the close box: never asks, never refused
        }
    };
    window.control<QPushButton>(app::CmdExtractDBX)->click();

    EXPECT_TRUE(window.unloaded());
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::Stopped);
    EXPECT_EQ(state.session, nullptr);
    // Three messages were stored when the close came; the file holds them, by its final name.
    const std::string pst = pstPath();
    ASSERT_FALSE(pst.empty());
    EXPECT_EQ(std::filesystem::path(pst).filename().string().find("incomplete"), std::string::npos);
    EXPECT_EQ(job.lastRun().stored, 3u);
    EXPECT_EQ(strictCheckMessages(pst), 3);
    const testing::PstContents contents = testing::readPst(pst);
    EXPECT_EQ(contents.messages(), 3);
    // readpst is left out: it shows To from the transport headers as one name.
    const std::string agree = "/usr/bin/python3 " TOLVANE_TEST_ROOT
                              "/support/pst_readers.py agree --readers pffexport,pypff '" +
                              pst + "'";
    EXPECT_EQ(std::system(agree.c_str()), 0);
    EXPECT_EQ(job.lastRun().queued, 6);
    EXPECT_TRUE(job.lastRun().failures.empty());
}

TEST_F(WindowConversionTest, StopEndsTheRunButNotTheProgram) {
    queueSixMessages();
    window.show();
    int barUpdates = 0;
    std::string captionDuringRun;
    ui.onDoEvents = [&](int) {
        if (window.control<app::ProgressBarControl>(app::ProgressBar1)->Value() > 0 &&
            ++barUpdates == 2) {
            captionDuringRun =
                window.control<QPushButton>(app::CmdExtractDBX)->text().toStdString();
            window.control<QPushButton>(app::CmdExtractDBX)->click();
        }
    };
    window.control<QPushButton>(app::CmdExtractDBX)->click();

    EXPECT_EQ(captionDuringRun, "&Stop");
    EXPECT_FALSE(window.unloaded());
    EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::Stopped);
    const std::string pst = pstPath();
    ASSERT_FALSE(pst.empty());
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text,
              "Open Outlook to view converted PST file.\r\nStopped: 2 of 6 messages are in " + pst);
    EXPECT_EQ(strictCheckMessages(pst), 2);
    EXPECT_EQ(testing::readPst(pst).messages(), 2);
    EXPECT_EQ(window.control<QPushButton>(app::CmdExtractDBX)->text().toStdString(),
              "Convert &Messages");
    EXPECT_FALSE(window.control<QPushButton>(app::CmdExtractDBX)->isEnabled());
    EXPECT_EQ(window.rowCount(), 6);
}

// An export archive is one row of many messages: the queue's count, the frame and the bar
// follow its messages one by one from the count taken when it was queued.
TEST_F(WindowConversionTest, AnArchiveRunShowsItsProgressInMessages) {
    const std::filesystem::path sample = TOLVANE_SOURCE_ARCHIVES "/sample.tgz";
    ASSERT_TRUE(std::filesystem::exists(sample)) << "missing test input " << sample;
    writeMessage("a.eml", "Loose one");
    std::filesystem::copy_file(sample, source.path() / "export.tgz");
    ui.answerFilesIn(source.path().string(), {"a.eml", "export.tgz"});
    window.cmdAdd_Click();
    EXPECT_EQ(window.control<QLabel>(app::lblCount1)->text().toStdString(), "21 Zimbra Messages");

    std::vector<std::string> frames;
    std::vector<float> bar;
    std::string archiveLabel;
    ui.onDoEvents = [&](int) {
        const std::string frame =
            window.control<QGroupBox>(app::FrameConversion)->title().toStdString();
        if (frame.starts_with("Details : Converting") &&
            (frames.empty() || frames.back() != frame)) {
            frames.push_back(frame);
            bar.push_back(window.control<app::ProgressBarControl>(app::ProgressBar1)->Value());
            if (frames.size() == 5) {
                archiveLabel = window.control<QLabel>(app::LblCurrentDBX)->text().toStdString();
            }
        }
    };
    ui.folderAnswers = {dest.path().string()};
    ui.messageBoxes.clear();
    window.control<QPushButton>(app::CmdExtractDBX)->click();

    std::vector<std::string> expected;
    for (int k = 1; k <= 21; ++k) {
        expected.push_back("Details : Converting - (" + std::to_string(k) + " of 21) messages");
    }
    EXPECT_EQ(frames, expected);
    ASSERT_EQ(bar.size(), 21u);
    EXPECT_FLOAT_EQ(bar[1], 2.0f / 21.0f * 100.0f);
    EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end()));
    EXPECT_EQ(archiveLabel,
              "Converting Messages... from (" + (source.path() / "export.tgz").string() + ")");
    EXPECT_EQ(window.control<app::ProgressBarControl>(app::ProgressBar1)->Value(), 100.0f);
    EXPECT_EQ(job.lastRun().stored, 21u);
    // The checker counts every item: the 21 messages, and the sample's 3 contacts, appointment
    // and task in their own folders.
    EXPECT_EQ(strictCheckMessages(pstPath()), 26);
}

TEST_F(WindowConversionTest, ConvertingAClearedQueueSaysSoAndWritesNothing) {
    queueSixMessages();
    ui.messageBoxAnswers = {MsgResult::Yes};
    window.cmdClear1_Click();
    ui.messageBoxes.clear();
    ui.folderTitles.clear();
    window.control<QPushButton>(app::CmdExtractDBX)->click();
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text,
              "There is nothing to convert: the queue is empty. Add message files first.");
    EXPECT_TRUE(ui.folderTitles.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dest.path()));
}

}  // namespace
}  // namespace tolvane::convert
