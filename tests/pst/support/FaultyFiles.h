#pragma once

// A FileSystem for tests: real files through the POSIX FileIo, with every system operation
// counted, the k-th made to fail with a chosen error, and a hook after each one that changes
// the file, so a test can keep the file as a crash at that moment would leave it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pst/ndb/FileIo.h"

namespace tolvane::pst::testing {

class FaultyFiles : public ndb::FileSystem {
  public:
    enum class Op { Write, Read, Sync, Resize, Reserve };

    // Operation number `at` (1-based, reads not counted) throws PstWriteError with `error`.
    void failAt(std::uint64_t at, int error) {
        failAt_ = at;
        error_ = error;
    }
    // Called after each write or resize that went through, with its number.
    std::function<void(std::uint64_t)> afterChange;

    std::uint64_t operations() const { return operations_; }
    // Every operation counted, in order.
    const std::vector<Op>& log() const { return log_; }
    std::uint64_t bytesWritten() const { return bytes_; }
    // Whether the failure was injected yet.
    bool failed() const { return failAt_ != 0 && operations_ >= failAt_; }

    std::unique_ptr<ndb::FileIo> createNew(const std::filesystem::path& path) override;

  private:
    friend class FaultyFileIo;
    void count(Op op, const std::string& what);

    std::uint64_t operations_ = 0;
    std::vector<Op> log_;
    std::uint64_t failAt_ = 0;
    int error_ = 0;
    std::uint64_t bytes_ = 0;
};

}  // namespace tolvane::pst::testing
