#pragma once

// The narrow interfaces through which the conversion job reads the queue and reports
// progress, so one job runs under the window and under the command line.

#include <cstdint>
#include <string>

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
};

// Where the job reports: the frame and label captions, the bar and the Convert button.
class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    virtual void setFrameCaption(const std::string& caption) = 0;
    virtual void setLabelCaption(const std::string& caption) = 0;
    virtual void setBarRange(int minimum, int maximum) = 0;
    virtual void setBarValue(float value) = 0;
    virtual void setConvertEnabled(bool enabled) = 0;
};

}  // namespace tolvane::convert
