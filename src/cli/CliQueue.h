#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "convert/JobSeams.h"
#include "platform/AppError.h"

namespace tolvane::cli {

// The queue of the command line: a vector of paths, each with its stamp and its count of
// messages when queued; empty,
// it is one row with no text.
class CliQueue : public convert::QueueSource {
  public:
    explicit CliQueue(std::vector<std::string> paths,
                      std::vector<std::optional<FileStamp>> stamps = {},
                      std::vector<std::uint64_t> messages = {})
        : paths_(std::move(paths)), stamps_(std::move(stamps)), messages_(std::move(messages)) {}

    std::int64_t rowCount() const override {
        return paths_.empty() ? 1 : static_cast<std::int64_t>(paths_.size());
    }
    std::string selectRow(std::int64_t row) override { return rowText(row); }
    std::string rowText(std::int64_t row) const override {
        if (row < 0 || row >= rowCount()) {
            throw AppError(errc::kSubscriptOutOfRange, "Subscript out of range");
        }
        return paths_.empty() ? std::string() : paths_[static_cast<std::size_t>(row)];
    }
    std::optional<FileStamp> queuedStamp(std::int64_t row) const override {
        if (row < 0 || static_cast<std::size_t>(row) >= stamps_.size()) {
            return std::nullopt;
        }
        return stamps_[static_cast<std::size_t>(row)];
    }
    // One per path when no count was given.
    std::uint64_t queuedMessages(std::int64_t row) const override {
        if (row < 0 || static_cast<std::size_t>(row) >= messages_.size()) {
            return 1;
        }
        return messages_[static_cast<std::size_t>(row)];
    }

  private:
    std::vector<std::string> paths_;
    std::vector<std::optional<FileStamp>> stamps_;
    std::vector<std::uint64_t> messages_;
};

}  // namespace tolvane::cli
