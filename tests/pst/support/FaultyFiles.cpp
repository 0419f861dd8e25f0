#include "FaultyFiles.h"

#include <cerrno>
#include <cstring>

#include "pst/PstError.h"
#include "pst/ndb/PosixFileIo.h"

namespace tolvane::pst::testing {

class FaultyFileIo final : public ndb::FileIo {
  public:
    FaultyFileIo(FaultyFiles& files, const std::filesystem::path& path)
        : files_(files), real_(path) {}

    void write(std::uint64_t offset, std::span<const ndb::IoBuffer> buffers) override {
        files_.count(FaultyFiles::Op::Write, "write", !FaultyFiles::isHeader(offset, buffers));
        real_.write(offset, buffers);
        files_.wrote(offset, buffers);
        changed();
    }
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes) override {
        real_.read(offset, bytes);
    }
    void sync() override {
        files_.count(FaultyFiles::Op::Sync, "sync");
        real_.sync();
    }
    void extend(std::uint64_t from, std::uint64_t to) override {
        files_.count(FaultyFiles::Op::Extend, "extend");
        real_.extend(from, to);
        changed();
    }
    void truncate(std::uint64_t size) override {
        files_.count(FaultyFiles::Op::Truncate, "truncate");
        real_.truncate(size);
        changed();
    }
    void publish() override {
        files_.count(FaultyFiles::Op::Publish, "publish");
        real_.publish();
        changed();
    }

  private:
    void changed() {
        if (files_.afterChange) {
            files_.afterChange(files_.operations_);
        }
    }
    FaultyFiles& files_;
    ndb::PosixFileIo real_;
};

std::unique_ptr<ndb::FileIo> FaultyFiles::createNew(const std::filesystem::path& path) {
    return std::make_unique<FaultyFileIo>(*this, path);
}

void FaultyFiles::wrote(std::uint64_t offset, std::span<const ndb::IoBuffer> buffers) {
    for (const auto& b : buffers) {
        bytes_ += b.size;
    }
    if (isHeader(offset, buffers)) {
        headerInvalid_ = buffers.front().data[kFAMapValid] == 0;
        wroteSinceHeader_ = false;
    } else {
        wroteSinceHeader_ = true;
    }
}

bool FaultyFiles::isHeader(std::uint64_t offset, std::span<const ndb::IoBuffer> buffers) {
    return offset == 0 && !buffers.empty() && buffers.front().size > kFAMapValid;
}

void FaultyFiles::count(Op op, const std::string& what, bool pageWrite) {
    ++operations_;
    log_.push_back(op);
    // A write that fails may have reached the file in part: it counts as done.
    rewritingMaps_.push_back(headerInvalid_ && (wroteSinceHeader_ || pageWrite));
    if (operations_ == failAt_) {
        using Cause = PstWriteError::Cause;
        throw PstWriteError(error_ == ENOSPC ? Cause::DiskFull : Cause::Other, error_,
                            "injected: " + what + " number " + std::to_string(operations_) +
                                " fails: " + std::strerror(error_));
    }
}

}  // namespace tolvane::pst::testing
