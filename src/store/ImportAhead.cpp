#include "store/ImportAhead.h"

#if defined(__linux__)
#include <pthread.h>
#endif

#include <algorithm>
#include <iterator>
#include <system_error>
#include <utility>

#include "mapi/ByteSource.h"
#include "mapi/Tags.h"
#include "platform/Utf8Path.h"

namespace tolvane::store {
namespace {

// How far past the next expected file a request is looked for in the plan; a request from
// further on (or off the plan) is imported on the calling thread.
constexpr std::size_t kLookFurther = 1024;

// The bytes of a message's streamed values: a large attachment is decoded into a spool file,
// which the import's memory count leaves out.
std::uint64_t streamedBytes(const mapi::Message& message) {
    std::uint64_t bytes = 0;
    for (const mapi::Attachment& attachment : message.attachments) {
        for (const auto& [id, value] : attachment.props.tagged()) {
            if (value.isStream()) {
                bytes += value.asStream()->size();
            }
        }
        if (attachment.embedded) {
            bytes += streamedBytes(*attachment.embedded);
        }
    }
    return bytes;
}

// What a waiting message holds: its memory, as the import counted it, and its spool files.
// Both count against the byte limit, so that messages with large attachments waiting for the
// writer fill neither the memory nor the temporary folder's disk.
std::uint64_t sizeOf(const mapi::Message& message) {
    return message.memoryBytes + streamedBytes(message);
}

}  // namespace

ImportAhead::ImportAhead(Import import) : ImportAhead(std::move(import), Limits{}) {}

ImportAhead::ImportAhead(Import import, Limits limits)
    : import_(std::move(import)), limits_(limits) {}

ImportAhead::~ImportAhead() {
    std::size_t underWay = 0;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        wakeWorkers();
        underWay = inFlight_;
    }
    workToDo_.notify_all();
    if (underWay > 0 && waitHook_) {
        waitHook_(underWay);
    }
    for (std::thread& thread : threads_) {
        thread.join();
    }
    for (std::thread& thread : ending_) {
        thread.join();
    }
}

void ImportAhead::expect(std::vector<std::string> paths, mapi::ImportOptions options) {
    std::map<std::size_t, Result> dropped;  // let go of outside the lock: may delete spool files
    std::vector<std::thread> ended;         // an earlier crew's, joined outside the lock
    {
        std::unique_lock lock(mutex_);
        ++generation_;
        plan_.assign(std::make_move_iterator(paths.begin()), std::make_move_iterator(paths.end()));
        planBase_ = 0;
        options_ = std::move(options);
        next_ = 0;
        taken_ = 0;
        dropped.swap(ready_);
        readyBytes_ = 0;
        wakeWorkers();
        if (!plan_.empty()) {
            ended.swap(ending_);
        }
        while (!plan_.empty() && threads_.size() < std::max(1u, limits_.threads)) {
            try {
                threads_.emplace_back(&ImportAhead::work, this, crew_);
            } catch (const std::system_error&) {
                break;  // with no worker at all, every request is imported when it comes
            }
        }
        if (plan_.empty()) {
            // Nothing of this process's import runs on once a run is over, not even while
            // the program ends.
            waitForImports(lock);
            if (kWorkersEndWithTheirRun) {
                // Nor are workers kept between runs. They end on their own: a thread's end
                // hands its memory back to the system, a few milliseconds that overlap the
                // store's last commit, which waits for the disk.
                ++crew_;
                std::move(threads_.begin(), threads_.end(), std::back_inserter(ending_));
                threads_.clear();
            }
        }
    }
    workToDo_.notify_all();
    for (std::thread& thread : ended) {
        thread.join();
    }
    if (openAhead_.forget) {
        openAhead_.forget();
    }
}

void ImportAhead::expectMore(std::vector<std::string> paths) {
    if (paths.empty()) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        if (plan_.empty() && planBase_ == 0) {
            return;  // no plan to extend: the run is over, or never planned
        }
        dropPlanBehind();
        plan_.insert(plan_.end(), std::make_move_iterator(paths.begin()),
                     std::make_move_iterator(paths.end()));
        wakeWorkers();
    }
    workToDo_.notify_all();
}

mapi::Message ImportAhead::take(const std::filesystem::path& path,
                                const mapi::ImportOptions& options) {
    std::unique_lock lock(mutex_);
    const auto planned = options == options_ ? findPlanned(path) : std::nullopt;
    if (!planned) {
        lock.unlock();
        return import_(path, options);
    }
    const std::size_t index = *planned;
    std::map<std::size_t, Result> passedOver = dropBefore(index);
    if (index >= next_) {
        // Not started yet: imported here, and the workers go on after it.
        taken_ = index + 1;
        next_ = index + 1;
        wakeWorkers();
        lock.unlock();
        workToDo_.notify_all();
        return import_(path, options);
    }
    taken_ = index;  // what the workers finish from here on is kept
    takerWaits_ = true;
    resultsChanged_.wait(lock, [&] { return ready_.contains(index); });
    takerWaits_ = false;
    taken_ = index + 1;
    const auto found = ready_.find(index);
    Result result = std::move(found->second);
    ready_.erase(found);
    readyBytes_ -= result.cost;
    const bool refill = downToRefill();
    if (refill) {
        wakeWorkers();
    }
    lock.unlock();
    if (refill) {
        workToDo_.notify_all();
    }
    if (result.error) {
        std::rethrow_exception(result.error);
    }
    return std::move(*result.message);
}

void ImportAhead::work(std::uint64_t crew) {
#if defined(__linux__)
    pthread_setname_np(pthread_self(), "tolvane-import");  // for profilers and debuggers
#endif
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_ || crew != crew_) {
            return;
        }
        if (next_ >= planEnd() || !roomAhead()) {
            const std::uint64_t seen = wakeups_;
            ++asleep_;
            settled_.notify_all();
            workToDo_.wait(lock, [&] { return wakeups_ != seen; });
            continue;
        }
        const std::size_t index = next_++;
        const std::string name = plan_[index - planBase_];
        const std::size_t soon = index + limits_.openAheadBy;
        std::string soonName = openAhead_.soon && soon < planEnd() ? plan_[soon - planBase_] : "";
        const std::uint64_t generation = generation_;
        const mapi::ImportOptions options = options_;
        ++inFlight_;
        lock.unlock();

        if (!soonName.empty()) {
            openAhead_.soon(soonName);
        }

        const std::filesystem::path path = PathFromUtf8(name);
        Result result;
        try {
            result.message = import_(path, options);
            result.cost = sizeOf(*result.message);
        } catch (...) {
            result.error = std::current_exception();
        }

        lock.lock();
        --inFlight_;
        const bool kept = generation == generation_ && index >= taken_;
        if (kept) {
            readyBytes_ += result.cost;
            ready_.emplace(index, std::move(result));
        }
        // Only the one waiting for this very file, or for the last import under way, is
        // woken, and outside the lock: a wake-up for every message had the taker switch in
        // to find its file not there yet, or to wait for the lock the worker still held.
        const bool wake =
            (kept && takerWaits_ && index == taken_) || (drainWaits_ && inFlight_ == 0);
        if (wake || !kept) {
            lock.unlock();
            if (wake) {
                resultsChanged_.notify_all();
            }
            result = {};  // stale or passed over: dropped outside the lock
            lock.lock();
        }
    }
}

void ImportAhead::writerWaits(bool waiting) {
    {
        const std::lock_guard lock(mutex_);
        writerWaits_ = waiting;
        if (!waiting || plan_.empty()) {
            return;  // the workers stop at the usual limit by themselves
        }
        wakeWorkers();
    }
    workToDo_.notify_all();
}

void ImportAhead::settle() {
    std::unique_lock lock(mutex_);
    settled_.wait(lock, [&] { return asleep_ == threads_.size(); });
}

void ImportAhead::onWaitForImports(std::function<void(std::size_t underWay)> hook) {
    const std::lock_guard lock(mutex_);
    waitHook_ = std::move(hook);
}

void ImportAhead::openAhead(OpenAhead hooks) {
    const std::lock_guard lock(mutex_);
    openAhead_ = std::move(hooks);
}

void ImportAhead::wakeWorkers() {
    ++wakeups_;
    asleep_ = 0;
}

void ImportAhead::waitForImports(std::unique_lock<std::mutex>& lock) {
    if (inFlight_ > 0 && waitHook_) {
        const std::size_t underWay = inFlight_;
        const auto hook = waitHook_;
        lock.unlock();
        hook(underWay);
        lock.lock();
    }
    drainWaits_ = true;
    resultsChanged_.wait(lock, [&] { return inFlight_ == 0; });
    drainWaits_ = false;
}

bool ImportAhead::roomAhead() const {
    const std::size_t messages = ready_.size() + inFlight_;
    const std::size_t limit = writerWaits_
                                  ? std::max(limits_.messages, limits_.messagesWhileWriterWaits)
                                  : limits_.messages;
    return messages == 0 || (messages < limit && readyBytes_ < limits_.bytes);
}

bool ImportAhead::downToRefill() const {
    return ready_.size() + inFlight_ <= limits_.messages / 2 && readyBytes_ <= limits_.bytes / 2;
}

std::optional<std::size_t> ImportAhead::findPlanned(const std::filesystem::path& path) const {
    const std::size_t end = std::min(planEnd(), taken_ + kLookFurther);
    const std::string name = path.string();  // UTF-8, as the plan holds names
    for (std::size_t i = taken_; i < end; ++i) {
        if (plan_[i - planBase_] == name) {
            return i;
        }
    }
    return std::nullopt;
}

void ImportAhead::dropPlanBehind() {
    const std::size_t needed = std::min(taken_, next_);
    while (planBase_ < needed && !plan_.empty()) {
        plan_.pop_front();
        ++planBase_;
    }
}

std::map<std::size_t, ImportAhead::Result> ImportAhead::dropBefore(std::size_t index) {
    std::map<std::size_t, Result> dropped;
    while (!ready_.empty() && ready_.begin()->first < index) {
        readyBytes_ -= ready_.begin()->second.cost;
        dropped.insert(ready_.extract(ready_.begin()));
    }
    return dropped;
}

}  // namespace tolvane::store
