#pragma once

// What the conversion job runs against in tests: a queue in a vector, a progress sink that
// records, the scripted UI double, and a profile of its own over the real writer and import
// (or, where those are not built, the recording engines of tests/store). Every test runs in
// a fresh temporary folder that is also the current folder, so Windows-syntax queue paths
// such as C:\A\x.eml name real files there. What a run stored is read back from the PST
// file by libpff (PstContents.h).

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "PstContents.h"
#include "TempDir.h"
#include "convert/ConversionJob.h"
#include "mime/FallbackCharset.h"
#include "platform/AppError.h"
#include "platform/ScriptedUi.h"
#include "store/Folder.h"
#include "store/Profile.h"
#include "store/Store.h"
#include "store/StoreServices.h"

namespace tolvane::convert::testing {

class VectorQueue : public QueueSource {
  public:
    std::vector<std::string> rows;  // empty: the empty queue, one row with an empty text
    std::vector<std::optional<FileStamp>> stamps;  // by row, when a test gives them
    std::vector<std::uint64_t> messages;           // by row, when a test gives them
    std::optional<std::int64_t> currentRow;
    std::uint64_t emptied = 0;  // a test that empties rows mid-run says so here

    std::int64_t rowCount() const override {
        return rows.empty() ? 1 : static_cast<std::int64_t>(rows.size());
    }
    std::string selectRow(std::int64_t row) override {
        std::string text = rowText(row);
        currentRow = row;
        return text;
    }
    std::string rowText(std::int64_t row) const override {
        if (row < 0 || row >= rowCount()) {
            throw AppError(errc::kSubscriptOutOfRange, "Subscript out of range");
        }
        return rows.empty() ? std::string() : rows[static_cast<std::size_t>(row)];
    }
    std::optional<FileStamp> queuedStamp(std::int64_t row) const override {
        if (row < 0 || static_cast<std::size_t>(row) >= stamps.size()) {
            return std::nullopt;
        }
        return stamps[static_cast<std::size_t>(row)];
    }
    std::uint64_t queuedMessages(std::int64_t row) const override {
        if (row < 0 || static_cast<std::size_t>(row) >= messages.size()) {
            return 1;
        }
        return messages[static_cast<std::size_t>(row)];
    }
    std::uint64_t timesEmptied() const override { return emptied; }
};

class RecordingProgress : public ProgressSink {
  public:
    int started = 0;
    std::vector<JobProgress> events;
    std::vector<RunResult> ended;

    void runStarted() override { ++started; }
    void runProgressed(const JobProgress& progress) override { events.push_back(progress); }
    void runEnded(const RunResult& result) override { ended.push_back(result); }
};

class JobTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previousDir_ = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override { std::filesystem::current_path(previousDir_); }

    static store::StoreServices services() { return store::defaultServices(); }

    JobEnvironment environment() {
        JobEnvironment env;
        env.createSession = [this] { return std::make_unique<store::Session>(profile); };
        env.createOutlook = [this] { return outlook::Application(outlookState); };
        env.clock = [this] {
            if (!times.empty()) {
                const LocalTime next = times.front();
                times.pop_front();
                return next;
            }
            return LocalTime{2026, 12, 6, 4, 5, seconds_++ % 60};
        };
        env.troubleshootingUrl = "file:///opt/tolvane/help.html#troubleshooting";
        env.readAhead = [this](std::vector<std::string> files, const mapi::ImportOptions& options) {
            readAheadLists.push_back(std::move(files));
            readAheadOptions.push_back(options);
        };
        env.readAheadMore = [this](std::vector<std::string> files) {
            readAheadMoreLists.push_back(std::move(files));
        };
        env.decodeLegacyName = mime::decodeUndeclared;
        return env;
    }

    // A small RFC 822 message at `path` (relative to the test folder, or absolute).
    void writeEml(const std::string& path, const std::string& subject) {
        const std::filesystem::path file(path);
        if (file.has_parent_path()) {
            std::filesystem::create_directories(file.parent_path());
        }
        std::ofstream(file, std::ios::binary) << "From: Ann Example <ann@example.org>\r\n"
                                                 "To: Bob Example <bob@example.org>\r\n"
                                                 "Subject: "
                                              << subject
                                              << "\r\n"
                                                 "Date: Sun, 06 Dec 2026 04:05:07 +0000\r\n"
                                                 "Message-ID: <"
                                              << subject.size()
                                              << "@example.org>\r\n"
                                                 "MIME-Version: 1.0\r\n"
                                                 "Content-Type: text/plain; charset=utf-8\r\n\r\n"
                                                 "Body of "
                                              << subject << "\r\n";
    }

    // Queues files that exist: each is written first.
    void queueMessages(const std::vector<std::string>& paths) {
        for (const auto& path : paths) {
            writeEml(path, std::filesystem::path(path).filename().string());
            queue.rows.push_back(path);
        }
    }

    void run() { job.CmdExtractDBX_Click(); }

    std::shared_ptr<store::Store> lastStore() const {
        return profile->findByDisplayName(state.storeDisplayName);
    }

    // Every folder below the top of the last run's PST, as "A\B", with its messages.
    std::map<std::string, std::int64_t> pstTree() const {
        return readPst(job.lastRun().storePath).tree;
    }

    // The .pst files in the test folder, by name.
    std::vector<std::string> pstFilesHere() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path().extension() == ".pst") {
                names.push_back(entry.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    tolvane::testing::TempDir dir;
    std::shared_ptr<store::Profile> profile = std::make_shared<store::Profile>(services());
    std::shared_ptr<outlook::OutlookState> outlookState =
        std::make_shared<outlook::OutlookState>(outlook::OutlookState{profile, nullptr});
    std::deque<LocalTime> times;
    std::vector<std::vector<std::string>> readAheadLists;      // what the job announced, in order
    std::vector<mapi::ImportOptions> readAheadOptions;         // and with which options
    std::vector<std::vector<std::string>> readAheadMoreLists;  // the further stretches
    tolvane::testing::ScriptedUi ui;
    VectorQueue queue;
    RecordingProgress progress;
    PathList workingPathList{""};
    JobState state{workingPathList};
    ConversionJob job{ui, queue, progress, state, environment()};

  private:
    std::filesystem::path previousDir_;
    int seconds_ = 7;
};

}  // namespace tolvane::convert::testing
