// Reading ahead must never change what a request gets: the message of exactly the file asked
// for, its error if the import failed, each file imported once per request. These tests drive
// ImportAhead with an import that records where and how often it ran.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "mapi/ByteSource.h"
#include "mapi/Tags.h"
#include "store/ImportAhead.h"

namespace tolvane::store {
namespace {

using std::filesystem::path;

class RecordingImport {
  public:
    // The import: a message whose subject is the path and whose body names the fallback
    // charset it was imported with; "bad..." paths fail, "junk..." ones are judged no message,
    // "big..." ones carry an attachment of 20,000 bytes as a stream, as a spooled one is.
    ImportAhead::Import function() {
        return [this](const path& file, const mapi::ImportOptions& options) {
            std::optional<std::shared_future<void>> gate;
            {
                const std::lock_guard lock(mutex_);
                ++calls_[file.string()];
                threads_.push_back(std::this_thread::get_id());
                ++started_;
                if (held_ && file == held_->file && !held_->started) {
                    held_->started = true;
                    held_->reached.set_value();
                    gate = held_->gate;
                }
            }
            if (gate) {
                gate->wait();
                const std::lock_guard lock(mutex_);
                ++heldFinished_;
            }
            if (file.filename().string().starts_with("bad")) {
                throw std::runtime_error("cannot read " + file.string());
            }
            mapi::Message message;
            message.props.set(mapi::tag::kSubject, mapi::PropValue::unicode(file.string()));
            message.props.set(mapi::tag::kBody, mapi::PropValue::unicode(options.fallbackCharset));
            message.memoryBytes = 1000;
            if (file.filename().string().starts_with("junk")) {
                message.verdict = mapi::ImportVerdict::NotAMessage;
            }
            if (file.filename().string().starts_with("big")) {
                mapi::Attachment attachment;
                attachment.props.set(
                    mapi::tag::kAttachDataBinary,
                    mapi::PropValue::binaryStream(std::make_shared<mapi::MemoryByteSource>(
                        std::vector<std::uint8_t>(20'000))));
                message.attachments.push_back(std::move(attachment));
            }
            return message;
        };
    }

    int calls(const std::string& file) {
        const std::lock_guard lock(mutex_);
        return calls_[file];
    }
    long started() {
        const std::lock_guard lock(mutex_);
        return started_;
    }
    std::vector<std::thread::id> threads() {
        const std::lock_guard lock(mutex_);
        return threads_;
    }

    // The first import of `file` waits until release(); reached() is ready once it started.
    void hold(const std::string& file) {
        held_.emplace();
        held_->file = file;
        held_->gate = held_->open.get_future().share();
        reached_ = held_->reached.get_future();
    }
    void waitUntilHeld() { reached_.wait(); }
    void release() {
        if (!released_.exchange(true)) {
            held_->open.set_value();
        }
    }
    bool heldImportFinished() {
        const std::lock_guard lock(mutex_);
        return heldFinished_ > 0;
    }

  private:
    struct Held {
        std::string file;
        std::promise<void> open;
        std::shared_future<void> gate;
        std::promise<void> reached;
        bool started = false;
    };

    std::mutex mutex_;
    std::map<std::string, int> calls_;
    std::vector<std::thread::id> threads_;
    long started_ = 0;
    std::optional<Held> held_;
    std::future<void> reached_;
    std::atomic<bool> released_ = false;
    int heldFinished_ = 0;
};

std::string subjectOf(const mapi::Message& message) {
    const auto* value = message.props.get(mapi::tag::kSubject);
    return value ? value->asString() : "<none>";
}

std::string charsetOf(const mapi::Message& message) {
    const auto* value = message.props.get(mapi::tag::kBody);
    return value ? value->asString() : "<none>";
}

std::vector<std::string> numbered(int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.emplace_back("/mail/Inbox/" + std::to_string(i) + ".eml");
    }
    return paths;
}

// A limit on messages well below the plan's length, the bytes no limit.
ImportAhead::Limits thirtyTwoAhead() {
    ImportAhead::Limits limits;
    limits.messages = 32;
    return limits;
}

TEST(ImportAhead, PlannedFilesAreImportedOnceEachMostlyAheadAndTakenInOrder) {
    RecordingImport record;
    ImportAhead ahead(record.function(), thirtyTwoAhead());
    const auto plan = numbered(200);
    ahead.expect(plan);
    ahead.settle();
    EXPECT_EQ(record.started(), 32);  // the limit, all imported before any take
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
    EXPECT_GE(onWorkers, 32);
}

// Each file a worker starts announces the one openAheadBy places on, once, so the file can be
// opened and read into the cache meanwhile; an empty plan (the run over) forgets them.
TEST(ImportAhead, EachFileIsAnnouncedOnceAheadOfItsImportAndAnEndedPlanForgetsThem) {
    RecordingImport record;
    ImportAhead::Limits limits;
    limits.openAheadBy = 3;
    ImportAhead ahead(record.function(), limits);
    std::mutex mutex;
    std::multiset<std::string> announced;
    int forgotten = 0;
    ahead.openAhead({[&](const std::string& file) {
                         const std::lock_guard lock(mutex);
                         announced.insert(file);
                     },
                     [&] {
                         const std::lock_guard lock(mutex);
                         ++forgotten;
                     }});
    const auto plan = numbered(10);
    ahead.expect(plan);
    ahead.settle();  // all ten started by the workers, under the default limit
    for (const std::string& file : plan) {
        EXPECT_EQ(subjectOf(ahead.take(file)), file);
    }
    {
        const std::lock_guard lock(mutex);
        EXPECT_EQ(announced, std::multiset<std::string>(plan.begin() + 3, plan.end()));
        EXPECT_EQ(forgotten, 1);  // the plan replaced none before it
    }
    ahead.expect({});
    const std::lock_guard lock(mutex);
    EXPECT_EQ(forgotten, 2);
}

// A run hands its plan over a stretch at a time: what is added is read ahead as the rest,
// each file still imported once, and nothing is added to a plan that ended.
TEST(ImportAhead, APlanExtendedAStretchAtATimeIsReadAheadAsOne) {
    RecordingImport record;
    ImportAhead ahead(record.function(), thirtyTwoAhead());
    const auto plan = numbered(100);
    ahead.expect({plan.begin(), plan.begin() + 10});
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(subjectOf(ahead.take(plan[static_cast<std::size_t>(i)])),
                  plan[static_cast<std::size_t>(i)]);
    }
    ahead.expectMore({plan.begin() + 10, plan.end()});
    ahead.settle();
    EXPECT_EQ(record.started(), 5 + 32);  // the limit again, past the first stretch
    for (std::size_t i = 5; i < plan.size(); ++i) {
        EXPECT_EQ(subjectOf(ahead.take(plan[i])), plan[i]);
    }
    for (const std::string& file : plan) {
        EXPECT_EQ(record.calls(file), 1) << file;
    }

    ahead.expect({});
    ahead.expectMore({"/m/late.eml"});
    ahead.settle();
    EXPECT_EQ(record.calls("/m/late.eml"), 0);
}

// The job reports a file that is no message from the verdict the import gave it on a worker:
// it must come with the message, since the file is not imported again.
TEST(ImportAhead, TheImportsVerdictComesWithTheMessageReadAhead) {
    RecordingImport record;
    ImportAhead ahead(record.function());
    const std::vector<std::string> plan{"/m/a.eml", "/m/junk.eml", "/m/b.eml"};
    ahead.expect(plan);
    ahead.settle();
    EXPECT_EQ(ahead.take(plan[0]).verdict, mapi::ImportVerdict::Message);
    EXPECT_EQ(ahead.take(plan[1]).verdict, mapi::ImportVerdict::NotAMessage);
    EXPECT_EQ(ahead.take(plan[2]).verdict, mapi::ImportVerdict::Message);
    for (const std::string& file : plan) {
        EXPECT_EQ(record.calls(file), 1) << file;
    }
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

// The options travel with each import, so a run's --charset reaches the workers, and a
// request with other options never gets a message read under the plan's.
TEST(ImportAhead, EachMessageIsImportedWithTheOptionsItWasAskedFor) {
    RecordingImport record;
    ImportAhead ahead(record.function());
    const mapi::ImportOptions koi8{"koi8-r"};
    ahead.expect({"/m/a.eml", "/m/b.eml"}, koi8);
    ahead.settle();
    EXPECT_EQ(record.calls("/m/b.eml"), 1);  // read ahead, under the plan's options
    const mapi::Message a = ahead.take("/m/a.eml", koi8);
    EXPECT_EQ(subjectOf(a), "/m/a.eml");
    EXPECT_EQ(charsetOf(a), "koi8-r");
    const mapi::Message b = ahead.take("/m/b.eml", {});
    EXPECT_EQ(subjectOf(b), "/m/b.eml");
    EXPECT_EQ(charsetOf(b), "");
    EXPECT_EQ(record.calls("/m/b.eml"), 2);
    const auto threads = record.threads();
    EXPECT_NE(threads.front(), std::this_thread::get_id());
}

// Where workers end with their run (not on Windows, where the thread-local object this test
// watches them with would itself be the trouble).
#ifndef _WIN32
// Counts the worker threads that imported and, through a thread-local object's destructor,
// those of them that ended.
struct WorkerEnds {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<std::thread::id> imported;
    std::size_t ended = 0;
};

struct EndWatch {
    WorkerEnds* ends = nullptr;
    ~EndWatch() {
        if (ends != nullptr) {
            const std::lock_guard lock(ends->mutex);
            ++ends->ended;
            ends->changed.notify_all();
        }
    }
};

thread_local EndWatch endWatch;

// No worker is kept between runs: an ended plan lets its workers go (they end by themselves,
// while the caller goes on to the store's last commit), and the next plan starts others.
TEST(ImportAhead, AnEndedPlanLetsItsWorkersGoAndTheNextPlanStartsOthers) {
    WorkerEnds ends;
    RecordingImport record;
    const std::thread::id caller = std::this_thread::get_id();
    ImportAhead ahead(
        [&, recorded = record.function()](const path& file, const mapi::ImportOptions& options) {
            if (std::this_thread::get_id() != caller) {
                endWatch.ends = &ends;
                const std::lock_guard lock(ends.mutex);
                ends.imported.insert(std::this_thread::get_id());
            }
            return recorded(file, options);
        });
    const auto first = numbered(8);
    ahead.expect(first);
    ahead.settle();
    for (const std::string& file : first) {
        EXPECT_EQ(subjectOf(ahead.take(file)), file);
    }
    ahead.expect({});
    {
        std::unique_lock lock(ends.mutex);
        ASSERT_FALSE(ends.imported.empty());
        if (ImportAhead::kWorkersEndWithTheirRun) {
            // Bounded only so that workers that never end fail the test instead of hanging it.
            const bool allEnded = ends.changed.wait_for(
                lock, std::chrono::seconds(30), [&] { return ends.ended == ends.imported.size(); });
            EXPECT_TRUE(allEnded) << ends.ended << " of " << ends.imported.size() << " ended";
        } else {
            EXPECT_EQ(ends.ended, 0u);
        }
        ends.imported.clear();
    }

    const std::vector<std::string> next{"/m/next-1.eml", "/m/next-2.eml"};
    ahead.expect(next);
    ahead.settle();
    {
        const std::lock_guard lock(ends.mutex);
        EXPECT_FALSE(ends.imported.empty());  // read ahead again, not on the caller's thread
    }
    for (const std::string& file : next) {
        EXPECT_EQ(subjectOf(ahead.take(file)), file);
    }
}
#endif

// Takes the plan one file at a time, letting the workers run as far as they will before each
// take; returns the most messages ever waiting (or under way) untaken.
long mostWaiting(ImportAhead& ahead, RecordingImport& record,
                 const std::vector<std::string>& plan) {
    ahead.expect(plan);
    long most = 0;
    long taken = 0;
    for (const std::string& file : plan) {
        ahead.settle();
        most = std::max(most, record.started() - taken);
        EXPECT_EQ(subjectOf(ahead.take(file)), file);
        ++taken;
    }
    EXPECT_EQ(record.started(), static_cast<long>(plan.size()));  // none twice
    return most;
}

TEST(ImportAhead, WorkersStayWithinTheMessageLimit) {
    RecordingImport record;
    ImportAhead ahead(record.function(), ImportAhead::Limits{3, std::uint64_t{1} << 30, 2});
    EXPECT_EQ(mostWaiting(ahead, record, numbered(40)), 3);
}

TEST(ImportAhead, WorkersStayWithinTheByteLimit) {
    RecordingImport record;
    // 1,000 bytes a message: the third waiting passes 2,500, so no fourth starts.
    ImportAhead ahead(record.function(), ImportAhead::Limits{100, 2500, 1});
    EXPECT_EQ(mostWaiting(ahead, record, numbered(30)), 3);
}

// A streamed attachment's bytes count against the byte limit beside the memory: spool files
// waiting for the writer would otherwise fill the disk.
TEST(ImportAhead, StreamedAttachmentsCountAgainstTheByteLimit) {
    RecordingImport record;
    std::vector<std::string> plan;
    for (int i = 0; i < 30; ++i) {
        plan.push_back("/mail/Inbox/big" + std::to_string(i) + ".eml");
    }
    // 21,000 bytes a message: the third waiting passes 50,000, so no fourth starts.
    ImportAhead ahead(record.function(), ImportAhead::Limits{100, 50'000, 1});
    EXPECT_EQ(mostWaiting(ahead, record, plan), 3);
}

// While the taker waits for the disk the workers read on, past the usual limit up to the
// larger one; once it is back they start nothing more until the queue is down again.
TEST(ImportAhead, WhileTheWriterWaitsForTheDiskTheWorkersReadFurther) {
    RecordingImport record;
    ImportAhead::Limits limits{3, std::uint64_t{1} << 30, 2};
    limits.messagesWhileWriterWaits = 7;
    ImportAhead ahead(record.function(), limits);
    const auto plan = numbered(20);
    ahead.expect(plan);
    ahead.settle();
    EXPECT_EQ(record.started(), 3);
    ahead.writerWaits(true);
    ahead.settle();
    EXPECT_EQ(record.started(), 7);
    ahead.writerWaits(false);
    EXPECT_EQ(subjectOf(ahead.take(plan[0])), plan[0]);
    ahead.settle();
    EXPECT_EQ(record.started(), 7);  // six still waiting: over the limit of three
    for (std::size_t i = 1; i < plan.size(); ++i) {
        EXPECT_EQ(subjectOf(ahead.take(plan[i])), plan[i]);
    }
    EXPECT_EQ(record.started(), 20);  // none twice
}

// Workers wake the taker only for the file it waits on: one waiting on a slow file must still
// be woken by it, when other files finished while it waited, and get each file in turn after.
TEST(ImportAhead, ARequestWaitingOnASlowFileIsWokenByItAfterOthersFinish) {
    RecordingImport record;
    const auto plan = numbered(12);
    record.hold(plan[0]);
    ImportAhead ahead(record.function(), ImportAhead::Limits{4, std::uint64_t{1} << 30, 2});
    ahead.expect(plan);
    record.waitUntilHeld();
    auto first = std::async(std::launch::async, [&] { return subjectOf(ahead.take(plan[0])); });
    while (record.started() < 4) {  // the other worker reads on to the limit
        std::this_thread::yield();
    }
    // Still held, the request cannot have its message; meanwhile it comes to wait for it.
    EXPECT_EQ(first.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    record.release();
    EXPECT_EQ(first.get(), plan[0]);
    for (std::size_t i = 1; i < plan.size(); ++i) {
        EXPECT_EQ(subjectOf(ahead.take(plan[i])), plan[i]);
        EXPECT_EQ(record.calls(plan[i]), 1) << plan[i];
    }
}

TEST(ImportAhead, AnEmptyPlanWaitsForTheImportUnderWayAndDropsItsResult) {
    RecordingImport record;
    record.hold("/m/slow.eml");
    ImportAhead ahead(record.function(), ImportAhead::Limits{4, std::uint64_t{1} << 30, 1});
    std::vector<std::size_t> waitedFor;
    ahead.onWaitForImports([&](std::size_t underWay) {
        waitedFor.push_back(underWay);
        record.release();
    });
    ahead.expect({"/m/slow.eml", "/m/b.eml"});
    record.waitUntilHeld();
    ahead.expect({});  // the run ended while the import was under way
    const bool finishedBeforeReturn = record.heldImportFinished();
    record.release();  // should the wait be missing, the destructor must not hang
    EXPECT_EQ(waitedFor, std::vector<std::size_t>{1});
    EXPECT_TRUE(finishedBeforeReturn);
    EXPECT_EQ(subjectOf(ahead.take("/m/slow.eml")), "/m/slow.eml");
    EXPECT_EQ(record.calls("/m/slow.eml"), 2);
    EXPECT_EQ(record.calls("/m/b.eml"), 0);
}

TEST(ImportAhead, DestroyedMidPlanItWaitsForTheImportUnderWay) {
    RecordingImport record;
    record.hold("/m/slow.eml");
    std::vector<std::size_t> waitedFor;
    {
        ImportAhead ahead(record.function());
        ahead.onWaitForImports([&](std::size_t underWay) {
            waitedFor.push_back(underWay);
            record.release();
        });
        ahead.expect({"/m/a.eml", "/m/slow.eml", "/m/c.eml"});
        EXPECT_EQ(subjectOf(ahead.take("/m/a.eml")), "/m/a.eml");
        record.waitUntilHeld();
    }
    const bool finishedBeforeReturn = record.heldImportFinished();
    record.release();
    ASSERT_EQ(waitedFor.size(), 1u);
    EXPECT_GE(waitedFor[0], 1u);  // the held import, and c if it was still being read
    EXPECT_TRUE(finishedBeforeReturn);
}

}  // namespace
}  // namespace tolvane::store
