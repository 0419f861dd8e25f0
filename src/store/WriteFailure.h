#pragma once

#include <string>

#include "platform/AppError.h"
#include "pst/PstError.h"

namespace tolvane::store {

// The store file could not be written: the disk is full, the file reached a size limit, or
// the system refused the write. The file keeps its last committed state, and the store
// takes nothing more; the job ends the run on it rather than going on with the next file.
class WriteFailure : public AppError {
  public:
    // The writer's own cause, passed on as it is up to the run's result.
    using Cause = pst::PstWriteError::Cause;

    WriteFailure(Cause cause, std::string description);
    explicit WriteFailure(const pst::PstWriteError& error);

    Cause cause() const noexcept { return cause_; }

  private:
    Cause cause_;
};

// Rethrows a writer's error as the store layer's: a write failure as WriteFailure, any other
// as AppError 75 with the writer's text.
[[noreturn]] void rethrowWriterError(const pst::PstError& error);

}  // namespace tolvane::store
