#include "convert/RunSummary.h"

namespace tolvane::convert {
namespace {

// "3 contacts, 1 appointment".
std::string countsByKind(const std::vector<std::pair<std::string, std::uint64_t>>& counts) {
    std::string items;
    for (const auto& [kind, count] : counts) {
        items += (items.empty() ? "" : ", ") + std::to_string(count) + " " + kind +
                 (count == 1 ? "" : "s");
    }
    return items;
}

std::string countInFile(const RunResult& result) {
    return std::to_string(result.stored) + " of " + std::to_string(result.queued) +
           " messages are in " + result.storePath;
}

}  // namespace

std::string endSentence(const RunResult& result) {
    using Outcome = RunResult::Outcome;
    switch (result.outcome) {
        case Outcome::Completed:
            return std::to_string(result.stored) + " of " + std::to_string(result.queued) +
                   " message(s) converted into " + result.storePath;
        case Outcome::Stopped:
            return "Stopped: " + countInFile(result);
        case Outcome::WriteFailed:
            switch (result.writeCause.value_or(RunResult::WriteCause::Other)) {
                case RunResult::WriteCause::DiskFull:
                    return "The disk is full: " + countInFile(result);
                case RunResult::WriteCause::FileTooLarge:
                    return "The file has reached the size limit: " + countInFile(result);
                case RunResult::WriteCause::Other:
                    break;
            }
            return "The PST file could not be written (" + result.writeError +
                   "): " + countInFile(result);
        default:
            return {};
    }
}

std::vector<std::string> problemSentences(const RunResult& result) {
    std::vector<std::string> sentences;
    if (!result.failures.empty()) {
        sentences.push_back(std::to_string(result.failures.size()) + " of " +
                            std::to_string(result.queued) +
                            " message file(s) could not be converted.");
    }
    if (!result.warnings.empty()) {
        sentences.push_back(std::to_string(result.warnings.size()) +
                            " message file(s) changed after they were queued; each was stored "
                            "as it was read.");
    }
    if (!result.notMessages.empty()) {
        sentences.push_back(noMessageSentence(result));
    }
    if (!result.readingNotes.empty()) {
        sentences.push_back(std::to_string(result.readingNotes.size()) +
                            " problem(s) reading export archives, contacts or calendars lost "
                            "nothing; each is listed.");
    }
    if (!result.notConverted.empty()) {
        sentences.push_back(notConvertedSentence(result));
    }
    if (!result.storeFailure.empty()) {
        sentences.push_back("The PST file could not be completed: " + result.storeFailure);
    }
    return sentences;
}

std::string noMessageSentence(const RunResult& result) {
    if (result.notMessages.empty()) {
        return {};
    }
    const std::size_t count = result.notMessages.size();
    return "Of the " + std::to_string(result.stored) + " stored, " + std::to_string(count) +
           (count == 1 ? " was" : " were") + " no message: each is stored whole as its body.";
}

std::string alsoConvertedSentence(const RunResult& result) {
    if (result.converted.empty())
        return {};
    return "Also converted: " + countsByKind(result.converted) + ".";
}

std::string notConvertedSentence(const RunResult& result) {
    return "Not converted: " + countsByKind(result.notConverted) + ".";
}

std::string leftoverSentence(const std::vector<std::string>& leftovers) {
    std::string text =
        "An earlier conversion into this folder did not finish. Its file is kept as it is, "
        "holding the messages it had committed:";
    for (const auto& path : leftovers) {
        text += "\r\n" + path;
    }
    return text + "\r\nThis conversion writes a new file.";
}

}  // namespace tolvane::convert
