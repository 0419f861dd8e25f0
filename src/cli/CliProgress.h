#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "convert/JobSeams.h"

namespace tolvane::cli {

// Progress of the command line, counted from the bar updates (one per message): on a
// terminal a bar with count, rate and time left, redrawn at most ten times a second;
// otherwise one line per 1,000 messages.
class CliProgress : public convert::ProgressSink {
  public:
    using Clock = std::chrono::steady_clock;

    CliProgress(std::ostream& out, bool terminal, std::int64_t total);

    void setFrameCaption(const std::string&) override {}
    void setLabelCaption(const std::string&) override {}
    void setBarRange(int, int) override {}
    void setBarValue(float value) override;
    void setConvertEnabled(bool) override {}

    // Ends the bar's line on a terminal.
    void finish();
    std::int64_t done() const { return done_; }

    // "[#####     ]  500/1000  250 msg/s  0:02 left" for a terminal line.
    static std::string barLine(std::int64_t done, std::int64_t total, double seconds);
    // "1000/10000 messages, 2345 msg/s" for a log line.
    static std::string logLine(std::int64_t done, std::int64_t total, double seconds);

  private:
    std::ostream& out_;
    bool terminal_;
    std::int64_t total_;
    std::int64_t done_ = 0;
    Clock::time_point start_;
    Clock::time_point lastDrawn_;
    bool drawn_ = false;
};

}  // namespace tolvane::cli
