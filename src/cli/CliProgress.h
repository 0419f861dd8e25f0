#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "convert/JobSeams.h"

namespace tolvane::cli {

// Progress of the command line from the job's events: on a terminal a bar with count, rate
// and time left, redrawn at most ten times a second; otherwise one line per 1,000 messages
// (an export archive's counted one by one as it is read) and one line per commit of the PST
// ("commit: N message(s) in the file"), so a script can tell what the file holds at any
// moment.
class CliProgress : public convert::ProgressSink {
  public:
    using Clock = std::chrono::steady_clock;

    CliProgress(std::ostream& out, bool terminal);

    void runStarted() override;
    void runProgressed(const convert::JobProgress& progress) override;
    void runEnded(const convert::RunResult& result) override;

    // Ends the bar's line on a terminal.
    void finish();
    std::int64_t done() const { return done_; }

    // "[#####     ]  500/1,000  250 msg/s  0:02 left" for a terminal line.
    static std::string barLine(std::int64_t done, std::int64_t total, double seconds);
    // "1000/10000 messages, 2345 msg/s" for a log line.
    static std::string logLine(std::int64_t done, std::int64_t total, double seconds);
    // "commit: 1200 message(s) in the file".
    static std::string commitLine(std::uint64_t committed);

  private:
    void reportCommit(std::uint64_t committed);

    std::ostream& out_;
    bool terminal_;
    std::int64_t done_ = 0;
    std::uint64_t committed_ = 0;
    Clock::time_point start_;
    Clock::time_point lastDrawn_;
    bool drawn_ = false;
};

}  // namespace tolvane::cli
