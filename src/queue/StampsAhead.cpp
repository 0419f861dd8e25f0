#include "queue/StampsAhead.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace tolvane::queue {

StampsAhead::StampsAhead(std::span<const std::string> paths,
                         std::function<bool(const std::string&)> wanted, std::size_t ahead)
    : paths_(paths), wanted_(std::move(wanted)) {
    if (!kOnAThreadOfTheirOwn || paths_.empty()) {
        return;
    }
    ring_.resize(std::min(paths.size(), std::max<std::size_t>(ahead, 1)));
    try {
        thread_ = std::thread(&StampsAhead::stampAll, this);
    } catch (const std::system_error&) {
        // No thread to spare: take() stamps each file itself.
    }
}

StampsAhead::~StampsAhead() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::optional<FileStamp> StampsAhead::take(std::size_t index) {
    std::unique_lock lock(mutex_);
    if (!thread_.joinable()) {
        lock.unlock();
        return stampOf(paths_[index]);
    }
    // The slots of the paths before this one are free now, taken or not wanted.
    taken_ = index;
    if (done_ <= index) {
        if (stamperWaits_) {
            changed_.notify_all();
        }
        takerWaits_ = true;
        changed_.wait(lock, [&] { return done_ > index; });
        takerWaits_ = false;
    }
    std::optional<FileStamp> stamp = ring_[index % ring_.size()];
    taken_ = index + 1;
    // The stamper, stopped a full ring ahead, goes on once half of it is free again: waking it
    // for every file would cost a switch for each.
    const bool wake = stamperWaits_ && done_ - taken_ <= ring_.size() / 2;
    lock.unlock();
    if (wake) {
        changed_.notify_all();
    }
    return stamp;
}

void StampsAhead::stampAll() {
    FolderStamps stamps;  // a scan gives a folder's files one after another
    for (std::size_t index = 0; index < paths_.size(); ++index) {
        std::optional<FileStamp> stamp;
        if (wanted_(paths_[index])) {
            stamp = stamps.stampOf(paths_[index]);
        }
        std::unique_lock lock(mutex_);
        // The taker may be past this path already (one not wanted).
        if (index >= taken_ + ring_.size()) {
            stamperWaits_ = true;
            changed_.wait(lock, [&] { return stopping_ || index < taken_ + ring_.size(); });
            stamperWaits_ = false;
        }
        if (stopping_) {
            return;
        }
        ring_[index % ring_.size()] = stamp;
        done_ = index + 1;
        const bool wake = takerWaits_;
        lock.unlock();
        if (wake) {
            changed_.notify_all();
        }
    }
}

}  // namespace tolvane::queue
