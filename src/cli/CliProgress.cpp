#include "cli/CliProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tolvane::cli {
namespace {

std::string rateText(std::int64_t done, double seconds) {
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    return std::to_string(static_cast<std::int64_t>(std::llround(rate))) + " msg/s";
}

}  // namespace

CliProgress::CliProgress(std::ostream& out, bool terminal, std::int64_t total)
    : out_(out), terminal_(terminal), total_(total), start_(Clock::now()) {}

std::string CliProgress::barLine(std::int64_t done, std::int64_t total, double seconds) {
    constexpr int kWidth = 30;
    const double fraction =
        total > 0 ? std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0)
                  : 1.0;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string line = "[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] ";
    line += std::to_string(done) + "/" + std::to_string(total) + "  " + rateText(done, seconds);
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

void CliProgress::setBarValue(float) {
    ++done_;
    const auto now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - start_).count();
    if (terminal_) {
        if (!drawn_ || now - lastDrawn_ >= std::chrono::milliseconds(100) || done_ == total_) {
            out_ << '\r' << barLine(done_, total_, seconds) << "\x1b[K" << std::flush;
            lastDrawn_ = now;
            drawn_ = true;
        }
    } else if (done_ % 1000 == 0 || done_ == total_) {
        out_ << logLine(done_, total_, seconds) << '\n' << std::flush;
    }
}

void CliProgress::finish() {
    if (terminal_ && drawn_) {
        out_ << '\n' << std::flush;
        drawn_ = false;
    }
}

}  // namespace tolvane::cli
