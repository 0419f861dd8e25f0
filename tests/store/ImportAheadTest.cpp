// Reading ahead must never change what a request gets: the message of exactly the file asked
// for, its error if the import failed, each file imported once per request. These tests drive
// ImportAhead with an import that records where and how often it ran.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "mapi/Tags.h"
#include "store/ImportAhead.h"

namespace tolvane::store {
namespace {

using std::filesystem::path;

class RecordingImport {
  public:
    // The import: a message whose subject is the path; "bad..." paths fail.
    ImportAhead::Import function() {
        return [this](const path& file) {
            {
                const std::lock_guard lock(mutex_);
                ++calls_[file.string()];
                threads_.push_back(std::this_thread::get_id());
                ++started_;
                maxAhead_ = std::max(maxAhead_, started_ - taken_);
            }
            if (gate_ && file == gatedPath_) {
                gate_->wait();
            }
            if (file.filename().string().starts_with("bad")) {
                throw std::runtime_error("cannot read " + file.string());
            }
            mapi::Message message;
            message.props.set(mapi::tag::kSubject, mapi::PropValue::unicode(file.string()));
            message.memoryBytes = 1000;
            return message;
        };
    }

    void tookOne() {
        const std::lock_guard lock(mutex_);
        ++taken_;
    }
    int calls(const std::string& file) {
        const std::lock_guard lock(mutex_);
        return calls_[file];
    }
    std::vector<std::thread::id> threads() {
        const std::lock_guard lock(mutex_);
        return threads_;
    }
    long maxAhead() {
        const std::lock_guard lock(mutex_);
        return maxAhead_;
    }
    // Imports of `file` wait until `gate` is ready.
    void holdAt(const std::string& file, std::shared_future<void> gate) {
        gatedPath_ = file;
        gate_ = std::move(gate);
    }

  private:
    std::mutex mutex_;
    std::map<std::string, int> calls_;
    std::vector<std::thread::id> threads_;
    long started_ = 0;
    long taken_ = 0;
    long maxAhead_ = 0;
    std::string gatedPath_;
    std::optional<std::shared_future<void>> gate_;
};

std::string subjectOf(const mapi::Message& message) {
    const auto* value = message.props.get(mapi::tag::kSubject);
    return value ? value->asString() : "<none>";
}

std::vector<std::string> numbered(int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.emplace_back("/mail/Inbox/" + std::to_string(i) + ".eml");
    }
    return paths;
}

TEST(ImportAhead, PlannedFilesAreImportedOnceEachMostlyAheadAndTakenInOrder) {
    RecordingImport record;
    ImportAhead ahead(record.function());
    const auto plan = numbered(200);
    ahead.expect(plan);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the workers get ahead
    for (const std::string& file : plan) {
        EXPECT_EQ(subjectOf(ahead.take(file)), file);
    }
    for (const std::string& file : plan) {
        EXPECT_EQ(record.calls(file), 1) << file;
    }
    // The taker imports a file itself only when no worker has started it yet.
    const auto threads = record.threads();
    const auto onWorkers = std::count_if(threads.begin(), threads.end(),
                                         [](auto id) { return id != std::this_thread::get_id(); });
    EXPECT_GE(onWorkers, 32);  // at least what the default limit lets them take ahead
}

TEST(ImportAhead, RequestsOffThePlanOrAfterPassingSomeStillGetTheirOwnMessage) {
    RecordingImport record;
    ImportAhead ahead(record.function());
    ahead.expect({"/m/a.eml", "/m/b.eml", "/m/c.eml", "/m/d.eml", "/m/e.eml"});
    EXPECT_EQ(subjectOf(ahead.take("/m/a.eml")), "/m/a.eml");
    EXPECT_EQ(subjectOf(ahead.take("/m/x.eml")), "/m/x.eml");  // never planned
    EXPECT_EQ(subjectOf(ahead.take("/m/d.eml")), "/m/d.eml");  // b and c passed over
    EXPECT_EQ(subjectOf(ahead.take("/m/e.eml")), "/m/e.eml");
    // A passed-over file asked for later is imported again, not served stale.
    EXPECT_EQ(subjectOf(ahead.take("/m/b.eml")), "/m/b.eml");
    EXPECT_EQ(record.calls("/m/x.eml"), 1);
    EXPECT_EQ(record.calls("/m/d.eml"), 1);
    EXPECT_EQ(record.calls("/m/e.eml"), 1);
}

TEST(ImportAhead, AFileQueuedTwiceIsImportedForEachRequest) {
    RecordingImport record;
    ImportAhead ahead(record.function());
    ahead.expect({"/m/a.eml", "/m/a.eml", "/m/b.eml"});
    EXPECT_EQ(subjectOf(ahead.take("/m/a.eml")), "/m/a.eml");
    EXPECT_EQ(subjectOf(ahead.take("/m/a.eml")), "/m/a.eml");
    EXPECT_EQ(subjectOf(ahead.take("/m/b.eml")), "/m/b.eml");
    EXPECT_EQ(record.calls("/m/a.eml"), 2);
}

TEST(ImportAhead, AnImportErrorReachesTheRequestForThatFileOnly) {
    RecordingImport record;
    ImportAhead ahead(record.function());
    ahead.expect({"/m/a.eml", "/m/bad.eml", "/m/c.eml"});
    EXPECT_EQ(subjectOf(ahead.take("/m/a.eml")), "/m/a.eml");
    try {
        ahead.take("/m/bad.eml");
        FAIL() << "the import's error was lost";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "cannot read /m/bad.eml");
    }
    EXPECT_EQ(subjectOf(ahead.take("/m/c.eml")), "/m/c.eml");
}

TEST(ImportAhead, WorkersStayWithinTheMessageLimit) {
    RecordingImport record;
    ImportAhead ahead(record.function(), ImportAhead::Limits{3, std::uint64_t{1} << 30, 2});
    const auto plan = numbered(40);
    ahead.expect(plan);
    for (const std::string& file : plan) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // let the workers run on
        EXPECT_EQ(subjectOf(ahead.take(file)), file);
        record.tookOne();
    }
    // Three waiting, plus the one started while the last take was returning.
    EXPECT_LE(record.maxAhead(), 4);
    EXPECT_GE(record.maxAhead(), 2);  // and it did read ahead
}

TEST(ImportAhead, WorkersStayWithinTheByteLimit) {
    RecordingImport record;
    // 1,000 bytes a message: three waiting pass 2,500; one more starts as a take returns.
    ImportAhead ahead(record.function(), ImportAhead::Limits{100, 2500, 1});
    const auto plan = numbered(30);
    ahead.expect(plan);
    for (const std::string& file : plan) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(subjectOf(ahead.take(file)), file);
        record.tookOne();
    }
    EXPECT_LE(record.maxAhead(), 4);
    EXPECT_GE(record.maxAhead(), 3);
}

TEST(ImportAhead, AnEmptyPlanWaitsForTheImportUnderWayAndDropsItsResult) {
    RecordingImport record;
    std::promise<void> open;
    record.holdAt("/m/slow.eml", open.get_future().share());
    ImportAhead ahead(record.function(), ImportAhead::Limits{4, std::uint64_t{1} << 30, 1});
    ahead.expect({"/m/slow.eml", "/m/b.eml"});
    while (record.calls("/m/slow.eml") == 0) {
        std::this_thread::yield();
    }
    std::atomic<bool> stopped = false;
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(stopped);  // the empty plan waits for the import under way
        open.set_value();
    });
    ahead.expect({});  // the run ended while the import was under way
    stopped = true;
    opener.join();
    EXPECT_EQ(subjectOf(ahead.take("/m/slow.eml")), "/m/slow.eml");
    EXPECT_EQ(record.calls("/m/slow.eml"), 2);
    EXPECT_EQ(record.calls("/m/b.eml"), 0);
}

TEST(ImportAhead, DestroyedMidPlanItWaitsForTheImportUnderWay) {
    RecordingImport record;
    std::promise<void> open;
    record.holdAt("/m/slow.eml", open.get_future().share());
    std::atomic<bool> destroyed = false;
    std::thread opener;
    {
        ImportAhead ahead(record.function());
        ahead.expect({"/m/a.eml", "/m/slow.eml", "/m/c.eml"});
        EXPECT_EQ(subjectOf(ahead.take("/m/a.eml")), "/m/a.eml");
        while (record.calls("/m/slow.eml") == 0) {
            std::this_thread::yield();
        }
        opener = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_FALSE(destroyed);  // still waiting for the held import
            open.set_value();
        });
    }
    destroyed = true;
    opener.join();
}

}  // namespace
}  // namespace tolvane::store
