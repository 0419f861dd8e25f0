#pragma once

// A FileSystem for tests: real files through the POSIX FileIo, with every system operation
// counted, the k-th made to fail with a chosen error, and a hook after each one that changes
// the file, so a test can keep the file as a crash at that moment would leave it.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pst/ndb/FileIo.h"

namespace tolvane::pst::testing {

class FaultyFiles : public ndb::FileSystem {
  public:
    enum class Op { Write, Read, Sync, Extend, Truncate, Publish };

    // Operation number `at` (1-based, reads not counted) throws PstWriteError with `error`.
    void failAt(std::uint64_t at, int error) {
        failAt_ = at;
        error_ = error;
    }
    // Called after each write, extension, truncation or publish (the file taking its name) that
    // went through, with its number.
    std::function<void(std::uint64_t)> afterChange;

    std::uint64_t operations() const { return operations_; }
    // Every operation counted, in order.
    const std::vector<Op>& log() const { return log_; }
    std::uint64_t bytesWritten() const { return bytes_; }
    // Whether operation `at` (1-based) came while the maps were being rewritten: the last
    // header written said INVALID_AMAP and other pages had been written since, or this
    // operation writes one.
    bool rewritingMapsAt(std::uint64_t at) const { return rewritingMaps_.at(at - 1); }
    // Whether the failure was injected yet.
    bool failed() const { return failAt_ != 0 && operations_ >= failAt_; }

    std::unique_ptr<ndb::FileIo> createNew(const std::filesystem::path& path) override;

  private:
    friend class FaultyFileIo;
    static constexpr std::size_t kFAMapValid = 0xF8;  // in the header's ROOT
    static bool isHeader(std::uint64_t offset, std::span<const ndb::IoBuffer> buffers);
    void count(Op op, const std::string& what, bool pageWrite = false);
    void wrote(std::uint64_t offset, std::span<const ndb::IoBuffer> buffers);

    std::uint64_t operations_ = 0;
    std::vector<Op> log_;
    std::uint64_t failAt_ = 0;
    int error_ = 0;
    std::uint64_t bytes_ = 0;
    std::vector<bool> rewritingMaps_;
    bool headerInvalid_ = false;
    bool wroteSinceHeader_ = false;
};

}  // namespace tolvane::pst::testing
