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
        files_.count(FaultyFiles::Op::Write, "write");
        real_.write(offset, buffers);
        for (const auto& b : buffers) {
            files_.bytes_ += b.size;
        }
        changed();
    }
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes) override {
        real_.read(offset, bytes);
    }
    void sync() override {
        files_.count(FaultyFiles::Op::Sync, "sync");
        real_.sync();
    }
    void resize(std::uint64_t size) override {
        files_.count(FaultyFiles::Op::Resize, "resize");
        real_.resize(size);
        changed();
    }
    bool reserve(std::uint64_t offset, std::uint64_t size) override {
        files_.count(FaultyFiles::Op::Reserve, "reserve");
        return real_.reserve(offset, size);
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

void FaultyFiles::count(Op op, const std::string& what) {
    ++operations_;
    log_.push_back(op);
    if (operations_ == failAt_) {
        using Cause = PstWriteError::Cause;
        throw PstWriteError(error_ == ENOSPC ? Cause::DiskFull : Cause::Other, error_,
                            "injected: " + what + " number " + std::to_string(operations_) +
                                " fails: " + std::strerror(error_));
    }
}

}  // namespace tolvane::pst::testing
