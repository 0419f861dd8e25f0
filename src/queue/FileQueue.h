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
// was when queued, so the conversion can tell a file that changed since. Also resets the
// window's working path list, which the conversion fills, whenever the queue is emptied.
class FileQueue {
  public:
    static constexpr int kColumnWidthTwips = 15000;

    FileQueue(GridModel& grid, std::function<void(const std::string&)> setCountCaption,
              std::vector<std::string>& workingPathList);

    // Appends path as the last entry (row 0 of an empty queue) and shows the new count.
    // Throws AppError 6 when the grid has no row left to give.
    void AddQueueRow(std::string path);
    // Back to one empty row, the working path list to one empty entry, the label "0 files".
    void ResetQueue();
    // Makes cell (0, 0) current and tells whether its text is empty.
    bool IsEmpty();

    std::int64_t RowCount() const;
    // Makes (row, 0) current and returns its text. Throws AppError 9 outside the grid.
    std::string SelectRow(std::int64_t row);
    // The row's file as it was queued; none for an empty row or a file that was not there.
    std::optional<FileStamp> QueuedStamp(std::int64_t row) const;

  private:
    GridModel& grid_;
    std::function<void(const std::string&)> setCountCaption_;
    std::vector<std::string>& workingPathList_;
    std::vector<std::optional<FileStamp>> stamps_;  // by row
};

}  // namespace tolvane::queue
