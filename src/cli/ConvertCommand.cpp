#include "cli/ConvertCommand.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "cli/CliArguments.h"
#include "cli/CliProgress.h"
#include "cli/CliQueue.h"
#include "cli/CliUi.h"
#include "cli/QueueBuilder.h"
#include "convert/ConversionJob.h"
#include "convert/HelpLink.h"
#include "convert/RunSummary.h"
#include "mime/FallbackCharset.h"
#include "platform/Utf8Path.h"
#include "platform/Version.h"
#include "store/Destination.h"

namespace tolvane::cli {
namespace {

constexpr int kAllConverted = 0;
constexpr int kSomeNotConverted = 1;
constexpr int kNothingStarted = 2;

int refuse(std::ostream& err, const std::string& problem) {
    err << "tolvane-convert: " << problem << "\n"
        << "Try 'tolvane-convert --help'.\n";
    return kNothingStarted;
}

}  // namespace

int runConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool errIsTerminal, bool (*stopRequested)()) {
    std::string problem;
    const auto parsed = parseArguments(args, problem);
    if (!parsed) {
        return refuse(err, problem);
    }
    if (parsed->help) {
        out << kUsage;
        if (const std::string manual = convert::troubleshootingUrl(); !manual.empty()) {
            out << "\nTroubleshooting: " << manual << "\n";
        }
        return kAllConverted;
    }
    if (parsed->version) {
        out << versionLine("tolvane-convert");
        return kAllConverted;
    }
    mapi::ImportOptions importOptions;
    try {
        importOptions.fallbackCharset = mime::checkedCharset(parsed->charset);
    } catch (const std::invalid_argument&) {
        return refuse(err, "--charset names no charset known here: " + parsed->charset);
    }

    // Checked before the folders are scanned: a run that cannot write says so at once.
    std::error_code error;
    const std::string dest =
        std::filesystem::absolute(
            parsed->dest.empty() ? std::filesystem::path(".") : PathFromUtf8(parsed->dest), error)
            .lexically_normal()
            .string();
    if (const std::string refusal = store::cannotWriteTo(dest); !refusal.empty()) {
        return refuse(err, refusal);
    }

    BuiltQueue built = buildQueue(parsed->paths);
    for (const auto& message : built.problems) {
        err << "tolvane-convert: " << message << "\n";
    }
    for (const auto& archive : built.archives) {
        err << "tolvane-convert: archive queued: " << archive << "\n";
    }
    if (built.paths.empty()) {
        err << "tolvane-convert: no message files to convert\n";
        return kNothingStarted;
    }

    CliUi ui;
    CliQueue queue(std::move(built.paths), std::move(built.stamps), std::move(built.messages));
    CliProgress progress(err, errIsTerminal);
    convert::PathList workingPathList{""};
    convert::JobState state(workingPathList);
    convert::JobEnvironment environment = convert::processEnvironment(importOptions);
    environment.stopRequested = stopRequested;
    convert::ConversionJob job(ui, queue, progress, state, environment);
    const convert::RunResult& result = job.run(dest);
    progress.finish();

    for (const auto& leftover : result.leftovers) {
        err << "tolvane-convert: an earlier conversion did not finish; its file is kept as it "
               "is: "
            << leftover << "\n";
    }
    if (result.outcome == convert::RunResult::Outcome::Failed) {
        err << "tolvane-convert: " << result.errorCause << "\n"
            << "See " << environment.troubleshootingUrl << "\n";
        return kNothingStarted;
    }
    for (const auto& failure : result.failures) {
        err << "tolvane-convert: not converted: " << failure.path << ": " << failure.reason << "\n";
    }
    for (const auto& warning : result.warnings) {
        err << "tolvane-convert: warning: " << warning.path << ": " << warning.reason << "\n";
    }
    for (const auto& noMessage : result.notMessages) {
        err << "tolvane-convert: warning: " << noMessage.path << ": " << noMessage.reason << "\n";
    }
    for (const auto& note : result.readingNotes) {
        err << "tolvane-convert: read with a problem: " << note.path << ": " << note.reason << "\n";
    }
    if (!result.storeFailure.empty()) {
        err << "tolvane-convert: the PST file could not be completed: " << result.storeFailure
            << "\n";
    }
    if (!result.storePath.empty()) {
        out << result.storePath << "\n";
    }
    err << "tolvane-convert: " << convert::endSentence(result) << "\n";
    if (!result.notMessages.empty()) {
        err << "tolvane-convert: " << convert::noMessageSentence(result) << "\n";
    }
    if (const auto also = convert::alsoConvertedSentence(result); !also.empty()) {
        err << "tolvane-convert: " << also << "\n";
    }
    if (!result.notConverted.empty()) {
        err << "tolvane-convert: " << convert::notConvertedSentence(result) << "\n";
    }

    // Warnings (a file changed after queuing, one that held no message) lose nothing: every
    // file is in the PST, so they leave the status at 0.
    const bool complete = result.outcome == convert::RunResult::Outcome::Completed &&
                          result.failures.empty() && result.storeFailure.empty() &&
                          built.problems.empty() &&
                          result.stored == static_cast<std::uint64_t>(result.queued);
    return complete ? kAllConverted : kSomeNotConverted;
}

}  // namespace tolvane::cli
