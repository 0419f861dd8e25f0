#include "cli/CliProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "text/DigitGroups.h"

namespace tolvane::cli {
namespace {

std::string rateText(std::int64_t done, double seconds) {
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    return std::to_string(static_cast<std::int64_t>(std::llround(rate))) + " msg/s";
}

}  // namespace

CliProgress::CliProgress(std::ostream& out, bool terminal)
    : out_(out), terminal_(terminal), start_(Clock::now()) {}

void CliProgress::runStarted() {
    start_ = Clock::now();
}

std::string CliProgress::barLine(std::int64_t done, std::int64_t total, double seconds) {
    constexpr int kWidth = 30;
    const double fraction =
        total > 0 ? std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0)
                  : 1.0;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string line = "[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] ";
    line += text::groupedDecimal(static_cast<std::uint64_t>(done)) + "/" +
            text::groupedDecimal(static_cast<std::uint64_t>(total)) + "  " +
            rateText(done, seconds);
    if (done > 0 && done < total) {
        const auto left = static_cast<std::int64_t>(
            std::llround(seconds / static_cast<double>(done) * static_cast<double>(total - done)));
        char text[32];
        std::snprintf(text, sizeof text, "  %lld:%02lld left", static_cast<long long>(left / 60),
                      static_cast<long long>(left % 60));
        line += text;
    }
    return line;
}

std::string CliProgress::logLine(std::int64_t done, std::int64_t total, double seconds) {
    return std::to_string(done) + "/" + std::to_string(total) + " messages, " +
           rateText(done, seconds);
}

std::string CliProgress::commitLine(std::uint64_t committed) {
    return "commit: " + std::to_string(committed) + " message(s) in the file";
}

// Counts messages, not rows: an archive is one row of many messages.
void CliProgress::runProgressed(const convert::JobProgress& progress) {
    const std::int64_t before = done_;
    done_ = progress.messagesDone;
    const std::int64_t total = progress.messagesTotal;
    const auto now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - start_).count();
    if (terminal_) {
        if (!drawn_ || now - lastDrawn_ >= std::chrono::milliseconds(100) || done_ == total) {
            out_ << '\r' << barLine(done_, total, seconds) << "\x1b[K" << std::flush;
            lastDrawn_ = now;
            drawn_ = true;
        }
        return;
    }
    // An archive cut short jumps to its end: a thousand passed is logged as well as one hit.
    if (done_ != before && (done_ / 1000 != before / 1000 || done_ == total)) {
        out_ << logLine(done_, total, seconds) << '\n' << std::flush;
    }
    reportCommit(progress.committed);
}

void CliProgress::runEnded(const convert::RunResult& result) {
    finish();
    if (!terminal_) {
        reportCommit(result.stored);
    }
}

void CliProgress::reportCommit(std::uint64_t committed) {
    if (committed > committed_) {
        committed_ = committed;
        out_ << commitLine(committed) << '\n' << std::flush;
    }
}

void CliProgress::finish() {
    if (terminal_ && drawn_) {
        out_ << '\n' << std::flush;
        drawn_ = false;
    }
}

}  // namespace tolvane::cli
