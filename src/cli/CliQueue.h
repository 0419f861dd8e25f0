#pragma once

#include <string>
#include <vector>

#include "convert/JobSeams.h"
#include "platform/AppError.h"

namespace tolvane::cli {

// The queue of the command line: a vector of paths; empty, it is one row with no text.
class CliQueue : public convert::QueueSource {
  public:
    explicit CliQueue(std::vector<std::string> paths) : paths_(std::move(paths)) {}

    std::int64_t rowCount() const override {
        return paths_.empty() ? 1 : static_cast<std::int64_t>(paths_.size());
    }
    std::string selectRow(std::int64_t row) override {
        if (row < 0 || row >= rowCount()) {
            throw AppError(errc::kSubscriptOutOfRange, "Subscript out of range");
        }
        return paths_.empty() ? std::string() : paths_[static_cast<std::size_t>(row)];
    }

  private:
    std::vector<std::string> paths_;
};

}  // namespace tolvane::cli
