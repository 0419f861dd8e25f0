#include "queue/FileQueue.h"

#include <limits>
#include <utility>

#include "platform/AppError.h"

namespace tolvane::queue {

FileQueue::FileQueue(GridModel& grid, std::function<void(const std::string&)> setCountCaption,
                     std::vector<std::string>& workingPathList)
    : grid_(grid),
      setCountCaption_(std::move(setCountCaption)),
      workingPathList_(workingPathList) {}

void FileQueue::AddQueueRow(std::string path, std::uint64_t messages) {
    std::optional<FileStamp> stamp = stampOf(path);
    AddQueueRow(std::move(path), messages, stamp);
}

void FileQueue::AddQueueRow(std::string path, std::uint64_t messages,
                            std::optional<FileStamp> stamp) {
    const GridModel::Batch batch(grid_);
    bool reuseRow0 = false;
    if (grid_.Rows() == 1 && IsEmpty()) {
        grid_.Rows(1);
        grid_.Cols(1);
        grid_.FixedRows(0);
        grid_.ColWidth(0, kColumnWidthTwips);
        reuseRow0 = true;
        queued_.clear();
        messages_ = 0;
    }
    if (!reuseRow0) {
        if (grid_.Rows() == std::numeric_limits<int>::max()) {
            throw AppError(errc::kOverflow, "Overflow");
        }
        grid_.Rows(grid_.Rows() + 1);
    }
    grid_.Row(grid_.Rows() - 1);
    grid_.Col(0);
    grid_.Text(path);
    queued_.resize(static_cast<std::size_t>(grid_.Rows()));
    queued_.back() = {stamp, messages};
    messages_ += messages;
    setCountCaption_(std::to_string(messages_) + " Zimbra Messages");
}

void FileQueue::ResetQueue() {
    workingPathList_.assign(1, std::string());
    {
        const GridModel::Batch batch(grid_);
        grid_.Rows(1);
        grid_.Clear();
    }
    queued_.clear();
    messages_ = 0;
    ++timesEmptied_;
    setCountCaption_("0 files");
}

bool FileQueue::IsEmpty() {
    grid_.Row(0);
    grid_.Col(0);
    return grid_.Text().empty();
}

std::int64_t FileQueue::RowCount() const {
    return grid_.Rows();
}

std::string FileQueue::SelectRow(std::int64_t row) {
    std::string text = RowText(row);
    grid_.Row(static_cast<int>(row));
    grid_.Col(0);
    return text;
}

std::string FileQueue::RowText(std::int64_t row) const {
    if (row < 0 || row >= grid_.Rows()) {
        throw AppError(errc::kSubscriptOutOfRange, "Subscript out of range");
    }
    return grid_.CellText(static_cast<int>(row), 0);
}

std::optional<FileStamp> FileQueue::QueuedStamp(std::int64_t row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= queued_.size()) {
        return std::nullopt;
    }
    return queued_[static_cast<std::size_t>(row)].stamp;
}

std::uint64_t FileQueue::QueuedMessages(std::int64_t row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= queued_.size()) {
        return 0;
    }
    return queued_[static_cast<std::size_t>(row)].messages;
}

}  // namespace tolvane::queue
