#pragma once

// The narrow interfaces through which the conversion job reads the queue and reports what
// happens, so one job runs under the window and under the command line. The job reports
// events and results; each front end turns them into its own text.

#include <cstdint>
#include <optional>
#include <string>

#include "convert/RunResult.h"
#include "platform/FileStamp.h"

namespace tolvane::convert {

// The queue as the job reads it: rows 0 to rowCount() - 1, one full path each; the empty
// queue is one row with an empty text.
class QueueSource {
  public:
    virtual ~QueueSource() = default;
    virtual std::int64_t rowCount() const = 0;
    // Makes row `row` the current one (the window's selection follows the job) and returns
    // its text. Throws AppError 9 for a row outside the queue.
    virtual std::string selectRow(std::int64_t row) = 0;
    // The row's text, leaving the current row as it is: for reading further ahead. Throws
    // AppError 9 for a row outside the queue.
    virtual std::string rowText(std::int64_t row) const = 0;
    // Size and modification time of the row's file when it was queued; none when unknown.
    virtual std::optional<FileStamp> queuedStamp(std::int64_t) const { return std::nullopt; }
    // Messages the row held when it was queued: an export archive's as counted then, one for
    // a message file.
    virtual std::uint64_t queuedMessages(std::int64_t) const { return 1; }
    // How many times the queue was emptied. Rows are otherwise only ever added at the end, so
    // while this stays the same every row holds the file it held.
    virtual std::uint64_t timesEmptied() const { return 0; }
};

// Where the run stands after a queued row was taken up.
struct JobProgress {
    std::int64_t done = 0;        // rows taken up so far, this one included
    std::int64_t total = 0;       // rows in the queue now
    std::string folder;           // this row's store folder ("" when none), or its own file
    std::int64_t stored = 0;      // messages handed to the store so far
    std::int64_t failed = 0;      // rows not stored so far
    std::uint64_t committed = 0;  // messages the file holds as of its last commit
    // Messages taken up so far, an archive's counted as they are read, and of the whole queue
    // as counted when it was queued. With an archive queued a row is no message, so only these
    // say how far the run is.
    std::int64_t messagesDone = 0;
    std::int64_t messagesTotal = 0;
    bool archivesQueued = false;
};

// What the job tells its front end, in this order: started once the destination is chosen,
// progressed after every row and after every message read from an archive, ended with the
// result (only after started).
class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    virtual void runStarted() = 0;
    virtual void runProgressed(const JobProgress& progress) = 0;
    virtual void runEnded(const RunResult& result) = 0;
};

}  // namespace tolvane::convert
