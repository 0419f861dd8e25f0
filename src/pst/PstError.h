#pragma once

#include <stdexcept>
#include <string>

namespace tolvane::pst {

// Any failure of the PST writer: the text says what, and where (path, node, block, field).
class PstError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The file could not be written or synced. The file keeps its last committed state; the
// writer that raised it refuses further work.
class PstWriteError : public PstError {
  public:
    enum class Cause {
        DiskFull,      // ENOSPC, EDQUOT
        FileTooLarge,  // EFBIG: a file-size limit of the process or the file system
        Other,         // EIO and anything else
    };
    PstWriteError(Cause cause, int systemError, const std::string& what)
        : PstError(what), cause_(cause), systemError_(systemError) {}
    Cause cause() const { return cause_; }
    int systemError() const { return systemError_; }

  private:
    Cause cause_;
    int systemError_;
};

}  // namespace tolvane::pst
