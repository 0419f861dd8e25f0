#include "pst/ndb/PstFile.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace tolvane::pst::ndb {
namespace {

// Gathered bytes are handed over once they come to this much, or span this many runs. Small
// enough to stay in the processor's cache while blocks are built in it and copied out: 8 MiB
// made the whole conversion a sixth slower (bench/convert_ratio_bench).
constexpr std::uint64_t kPendingLimit = std::uint64_t{1} << 20;
constexpr std::size_t kRunLimit = 8192;
// A value streamed in pieces this large or larger goes straight to the system.
constexpr std::size_t kWriteThroughSize = std::size_t{1} << 20;
static_assert(kWriteThroughSize <= kPendingLimit, "a placed run always fits the arena");
// The system is asked to start putting written bytes on disk every this many, so a commit's
// sync finds little left to do instead of waiting for the whole file.
constexpr std::uint64_t kWriteBackEvery = std::uint64_t{16} << 20;
// Runs that touch go to the system in one call, up to this many.
constexpr std::size_t kRunsPerCall = 1024;

}  // namespace

PstFile::PstFile(std::filesystem::path path, FileSystem& files)
    : path_(std::move(path)), io_(files.createNew(path_)) {
    arena_ = std::make_unique_for_overwrite<std::uint8_t[]>(kPendingLimit);
}

void PstFile::write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return;
    }
    if (bytes.size() >= kWriteThroughSize) {
        if (overlapsPending(offset, bytes.size())) {
            flush();  // later bytes must win: hand over the earlier ones first
        }
        const IoBuffer one{bytes.data(), bytes.size()};
        writeBuffers(offset, std::span(&one, 1), bytes.size());
        return;
    }
    const auto room = place(offset, bytes.size());
    std::copy(bytes.begin(), bytes.end(), room.begin());
}

std::span<std::uint8_t> PstFile::place(std::uint64_t offset, std::size_t size) {
    if (size >= kWriteThroughSize) {
        throw std::logic_error("PstFile: place() takes less than 1 MiB");
    }
    if (overlapsPending(offset, size)) {
        flush();  // later bytes must win: hand over the earlier ones first
    }
    if (arenaUsed_ + size > kPendingLimit || pending_.size() >= kRunLimit) {
        flush();
    }
    // Extend the run that ends where these bytes start when its bytes end the arena too.
    const std::size_t at = arenaUsed_;
    arenaUsed_ += size;
    const std::span<std::uint8_t> room(arena_.get() + at, size);
    auto next = pending_.lower_bound(offset);
    if (next != pending_.begin()) {
        Run& prev = std::prev(next)->second;
        if (std::prev(next)->first + prev.size == offset && prev.at + prev.size == at) {
            prev.size += size;
            return room;
        }
    }
    pending_.emplace_hint(next, offset, Run{at, size});
    return room;
}

void PstFile::read(std::uint64_t offset, std::span<std::uint8_t> bytes) {
    flush();
    io_->read(offset, bytes);
}

void PstFile::extend(std::uint64_t from, std::uint64_t to) {
    flush();
    io_->extend(from, to);
}

void PstFile::truncate(std::uint64_t size) {
    flush();
    io_->truncate(size);
}

void PstFile::flush() {
    // Emptied even when a write fails, so a failure is reported once.
    struct Clear {
        PstFile& file;
        ~Clear() {
            file.pending_.clear();
            file.arenaUsed_ = 0;
        }
    } clear{*this};
    std::vector<IoBuffer> buffers;
    for (auto first = pending_.cbegin(); first != pending_.cend();) {
        // Runs that touch, up to what one call takes.
        buffers.clear();
        std::uint64_t end = first->first;
        std::size_t bytes = 0;
        auto last = first;
        while (last != pending_.cend() && last->first == end && buffers.size() < kRunsPerCall) {
            buffers.push_back({arena_.get() + last->second.at, last->second.size});
            end += last->second.size;
            bytes += last->second.size;
            ++last;
        }
        writeBuffers(first->first, buffers, bytes);
        first = last;
    }
}

void PstFile::sync() {
    flush();
    const SyncWait wait;
    io_->sync();
}

void PstFile::publish() {
    flush();
    io_->publish();
}

bool PstFile::overlapsPending(std::uint64_t offset, std::uint64_t size) const {
    auto next = pending_.lower_bound(offset);
    if (next != pending_.end() && next->first < offset + size) {
        return true;
    }
    if (next != pending_.begin()) {
        const auto prev = std::prev(next);
        return prev->first + prev->second.size > offset;
    }
    return false;
}

void PstFile::writeBuffers(std::uint64_t offset, std::span<const IoBuffer> buffers,
                           std::size_t bytes) {
    ++systemWrites_;
    io_->write(offset, buffers);
    unflushedBytes_ += bytes;
    if (unflushedBytes_ >= kWriteBackEvery) {
        unflushedBytes_ = 0;
        io_->startWriteBack();
    }
}

}  // namespace tolvane::pst::ndb
