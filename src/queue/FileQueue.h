#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileStamp.h"
#include "queue/GridModel.h"

namespace tolvane::queue {

// The queue of message files, kept in the grid: one full path per row in column 0; the empty
// queue is one row with an empty cell. Each add and each reset reaches the grid's view as one
// change. Beside the grid it keeps each row's file stamp as it
// was when queued, so the conversion can tell a file that changed since, and the messages it
// held, so the conversion knows its total before it reads an archive. Also resets the
// window's working path list, which the conversion fills, whenever the queue is emptied.
class FileQueue {
  public:
    static constexpr int kColumnWidthTwips = 15000;

    FileQueue(GridModel& grid, std::function<void(const std::string&)> setCountCaption,
              std::vector<std::string>& workingPathList);

    // Appends path as the last entry (row 0 of an empty queue), holding `messages` (an export
    // archive's as counted when queued), and shows the count of messages queued.
    // Throws AppError 6 when the grid has no row left to give.
    void AddQueueRow(std::string path, std::uint64_t messages = 1);
    // The same with the file's stamp taken by the caller, who stamps many files at once (a
    // stat was most of what queuing a file cost).
    void AddQueueRow(std::string path, std::uint64_t messages, std::optional<FileStamp> stamp);
    // Back to one empty row, the working path list to one empty entry, the label "0 files".
    void ResetQueue();
    // Makes cell (0, 0) current and tells whether its text is empty.
    bool IsEmpty();

    std::int64_t RowCount() const;
    // Makes (row, 0) current and returns its text. Throws AppError 9 outside the grid.
    std::string SelectRow(std::int64_t row);
    // Row `row`'s path; the current row stays. Throws AppError 9 outside the grid.
    std::string RowText(std::int64_t row) const;
    // The row's file as it was queued; none for an empty row or a file that was not there.
    std::optional<FileStamp> QueuedStamp(std::int64_t row) const;
    // The messages the row held when queued; none for an empty row.
    std::uint64_t QueuedMessages(std::int64_t row) const;
    // How many times ResetQueue emptied the queue: rows keep their files in between.
    std::uint64_t TimesEmptied() const { return timesEmptied_; }

  private:
    GridModel& grid_;
    std::function<void(const std::string&)> setCountCaption_;
    std::vector<std::string>& workingPathList_;
    struct Queued {
        std::optional<FileStamp> stamp;
        std::uint64_t messages = 0;
    };
    std::vector<Queued> queued_;  // by row
    std::uint64_t messages_ = 0;  // of every row
    std::uint64_t timesEmptied_ = 0;
};

}  // namespace tolvane::queue
