#pragma once

// Stamps the files a scan found, in order, on a thread of its own, a bounded stretch ahead of
// the handler that queues them. A stat was the most that queuing a file cost, and the handler
// has its rows to add and its window to keep answering meanwhile, on the other core.
//
//   StampsAhead stamps(paths, IsQueueableFile);
//   for (std::size_t i = 0; i < paths.size(); ++i)
//       if (IsQueueableFile(paths[i])) queue.AddQueueRow(paths[i], 1, stamps.take(i));

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileStamp.h"

namespace tolvane::queue {

class StampsAhead {
  public:
    // How many paths the stamps may run ahead of the last one taken, unless told.
    static constexpr std::size_t kAhead = 4096;
    // Whether the stamps are taken on a thread of their own. Not on Windows: under Wine, where
    // that build is measured, a second thread's stats made queuing 20,000 files take twice as
    // long (each goes through Wine's one server, which the window's own calls wait on too), so
    // take() stamps each file there.
#ifdef _WIN32
    static constexpr bool kOnAThreadOfTheirOwn = false;
#else
    static constexpr bool kOnAThreadOfTheirOwn = true;
#endif

    // Starts stamping the paths `wanted` accepts (it is asked on the stamping thread); `paths`
    // must outlive this.
    StampsAhead(std::span<const std::string> paths, std::function<bool(const std::string&)> wanted,
                std::size_t ahead = kAhead);
    // Stops the stamping where it is.
    ~StampsAhead();
    StampsAhead(const StampsAhead&) = delete;
    StampsAhead& operator=(const StampsAhead&) = delete;

    // The stamp of paths[index] (a wanted one), waiting for it if need be; indexes are asked
    // for in increasing order. None when there is no such file.
    std::optional<FileStamp> take(std::size_t index);

  private:
    void stampAll();

    std::span<const std::string> paths_;
    std::function<bool(const std::string&)> wanted_;
    // paths_[i]'s stamp at i % ring_.size(); empty unless a thread stamps.
    std::vector<std::optional<FileStamp>> ring_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t done_ = 0;   // paths stamped (or passed over as not wanted)
    std::size_t taken_ = 0;  // paths whose slot may be stamped again
    bool takerWaits_ = false;
    bool stamperWaits_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace tolvane::queue
