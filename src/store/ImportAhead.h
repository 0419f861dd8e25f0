#pragma once

// Imports the files a run is about to store on worker threads, so reading and parsing the
// next messages overlaps writing the current one into the store. Each file is still imported
// exactly once per request, and errors reach the caller that asks for that file.
//
//   ImportAhead ahead(mime::importEml);
//   ahead.expect({"a.eml", "b.eml"}, options);
//   ahead.expectMore({"c.eml"});             // the same plan, a stretch further
//   mapi::Message a = ahead.take("a.eml", options);  // imported ahead, or now if not planned
//   ahead.expect({});                        // the run is over: drop what was not taken

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "mapi/ImportOptions.h"
#include "mapi/Message.h"

namespace tolvane::store {

class ImportAhead {
  public:
    using Import =
        std::function<mapi::Message(const std::filesystem::path&, const mapi::ImportOptions&)>;

    // How far ahead the workers may run: one starts another import only while fewer messages
    // than `messages` wait to be taken (those under way included) and the sizes of those
    // waiting, in memory and in spool files, come to less than `bytes`. One message is always
    // allowed, however large. Two workers keep two cores busy: the taker is often waiting on its
    // writes. While the taker waits for the disk (writerWaits), `messagesWhileWriterWaits` stands
    // for `messages`, so that time goes to reading on. The count is high so that the bytes, not the
    // count, hold small messages back: with 32, the workers slept for room whenever the
    // taker synced or wrote a large message, and a core stood idle.
    struct Limits {
        std::size_t messages = 256;
        std::uint64_t bytes = std::uint64_t{48} << 20;
        unsigned threads = 2;
        std::size_t messagesWhileWriterWaits = 512;
        // A worker starting the file at one place of the plan tells openAhead of the file
        // this many places on.
        std::size_t openAheadBy = 24;
    };

    // Told of each planned file a little before a worker starts it (`soon`, on a worker's
    // thread), and that the plan is dropped (`forget`): a cold disk then reads the next files
    // while the current ones are parsed.
    struct OpenAhead {
        std::function<void(const std::string& path)> soon;
        std::function<void()> forget;
    };

    explicit ImportAhead(Import import);
    ImportAhead(Import import, Limits limits);
    // Waits for the imports under way; drops what was not taken.
    ~ImportAhead();
    ImportAhead(const ImportAhead&) = delete;
    ImportAhead& operator=(const ImportAhead&) = delete;

    // Whether an empty plan lets the workers go, so that none is kept between runs. Not on
    // Windows: there a thread that ends after using thread-local objects with destructors (the
    // import keeps caches in such objects) corrupts the heap with MinGW-w64's runtime, as a
    // program of a few lines shows under Wine; its workers live as long as the process.
#ifdef _WIN32
    static constexpr bool kWorkersEndWithTheirRun = false;
#else
    static constexpr bool kWorkersEndWithTheirRun = true;
#endif

    // The files about to be requested, in order, and the options they are imported with;
    // replaces any earlier plan. Empty: the run is over; waits for the imports under way, and
    // (kWorkersEndWithTheirRun) the workers end without being waited for: the next plan starts
    // others.
    void expect(std::vector<std::string> paths, mapi::ImportOptions options = {});
    // Files to be requested after those already planned, with the same options. A run gives
    // its plan a stretch at a time, and names behind the last request are let go, so a queue
    // of 1,000,000 files is never copied here whole.
    void expectMore(std::vector<std::string> paths);

    // The message of `path`: the one imported ahead when the plan holds it with the same
    // options, else imported on the calling thread. Throws what the import threw. Planned
    // files passed over are dropped.
    mapi::Message take(const std::filesystem::path& path, const mapi::ImportOptions& options = {});

    // The taker starts (true) or ends (false) waiting for the disk: workers asleep on a full
    // queue are woken to read further meanwhile.
    void writerWaits(bool waiting);

    // Waits until the workers start nothing more by themselves: each one is asleep, with the
    // plan done or the limits reached, and no import is under way. Lets a test or benchmark
    // look at what was read ahead at a point that does not depend on thread timing.
    void settle();

    // Called with the number of imports under way each time an empty plan or the destructor
    // is about to wait for them, on the thread that waits and outside the lock: a test
    // releases a held import from here to see that the wait happens.
    void onWaitForImports(std::function<void(std::size_t underWay)> hook);

    // Set before the first plan.
    void openAhead(OpenAhead hooks);

  private:
    struct Result {
        std::optional<mapi::Message> message;
        std::exception_ptr error;
        std::uint64_t cost = 0;
    };

    // A worker of `crew`: it ends once an empty plan has let that crew go.
    void work(std::uint64_t crew);
    // Workers asleep now will wake and look again: they no longer count as settled.
    void wakeWorkers();
    void waitForImports(std::unique_lock<std::mutex>& lock);
    bool roomAhead() const;
    // Workers sleeping on a full queue are woken once it is down to half, not for every
    // message taken: the taker would pay a wake-up and a switch for each.
    bool downToRefill() const;
    std::optional<std::size_t> findPlanned(const std::filesystem::path& path) const;
    std::size_t planEnd() const {
        return planBase_ + plan_.size();
    }
    // Lets go of the names no worker or request needs any more.
    void dropPlanBehind();
    std::map<std::size_t, Result> dropBefore(std::size_t index);

    Import import_;
    Limits limits_;

    std::mutex mutex_;
    std::condition_variable workToDo_;        // workers wait here
    std::condition_variable resultsChanged_;  // the taker waits here
    std::condition_variable settled_;         // settle() waits here
    std::deque<std::string> plan_;            // places planBase_ onwards
    std::size_t planBase_ = 0;
    mapi::ImportOptions options_;          // the plan's
    std::size_t next_ = 0;                 // first planned file no worker has started
    std::size_t taken_ = 0;                // first planned file not yet taken or passed over
    std::map<std::size_t, Result> ready_;  // by place in the plan
    std::size_t inFlight_ = 0;
    std::uint64_t readyBytes_ = 0;
    std::uint64_t generation_ = 0;  // a new plan makes results of the old one stale
    bool stopping_ = false;
    bool writerWaits_ = false;
    bool takerWaits_ = false;    // take() waits for the file at taken_
    bool drainWaits_ = false;    // waitForImports() waits for inFlight_ to reach 0
    std::uint64_t wakeups_ = 0;  // a worker sleeps until this changes
    std::size_t asleep_ = 0;     // workers asleep since the last wake-up
    std::function<void(std::size_t)> waitHook_;
    OpenAhead openAhead_;
    std::vector<std::thread> threads_;  // the current crew
    std::uint64_t crew_ = 0;
    std::vector<std::thread> ending_;  // crews let go, joined when the next one starts
};

// The process's read-ahead over the RFC 822 import; defaultServices() imports through it.
ImportAhead& processImportAhead();

}  // namespace tolvane::store
