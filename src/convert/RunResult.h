#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pst/PstError.h"

namespace tolvane::convert {

// A queued file and what happened to it.
struct FileProblem {
    std::string path;
    std::string reason;
};

// Why a file or an archive's entry that held no mail is listed: the import kept it anyway.
inline constexpr std::string_view kNoMessageReason = "it is no message: stored whole as its body";

// How a run ended, counted from what the PST holds, not from the queue.
struct RunResult {
    enum class Outcome {
        NotRun,
        Cancelled,         // the destination picker was cancelled
        NothingToConvert,  // the queue was empty: no file was written
        Failed,            // the store could not be prepared: the error box
        Completed,
        Stopped,      // a stop request (Stop, a closed window, a signal)
        WriteFailed,  // the PST could not be written further
    };
    // The PST writer's own cause, carried up unchanged.
    using WriteCause = pst::PstWriteError::Cause;

    Outcome outcome = Outcome::NotRun;
    std::string storePath;     // where the PST is: its final name once the run has ended
    std::int64_t queued = 0;   // messages queued: a message file each, an archive's as read
    std::int64_t taken = 0;    // rows taken up before the run ended
    std::uint64_t stored = 0;  // messages the PST holds
    std::vector<FileProblem> failures;     // rows not stored, each with its reason
    std::vector<FileProblem> warnings;     // stored, but the file changed after it was queued
    std::vector<FileProblem> notMessages;  // stored, but what was read held no message
    std::vector<std::string> leftovers;    // unfinished PSTs of earlier runs in the destination
    std::string errorCause;                // Failed: the cause shown in the error box
    std::optional<WriteCause> writeCause;  // WriteFailed: why
    std::string writeError;                // WriteFailed: the system's words
    std::string storeFailure;              // the PST could not be finished (closed or named)
    // Export archives, .vcf and .ics files: what was read with a problem but lost nothing (a
    // .meta that could not be read, a name made safe, a vCard line left out), the contacts,
    // appointments and tasks stored beside the messages, and the items Outlook has no place
    // for, each by kind ("contact", 3).
    std::vector<FileProblem> readingNotes;
    std::vector<std::pair<std::string, std::uint64_t>> converted;
    std::vector<std::pair<std::string, std::uint64_t>> notConverted;
};

}  // namespace tolvane::convert
