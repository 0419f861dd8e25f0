#include "queue/ArchiveSurvey.h"

#include "platform/Utf8Path.h"
#include "queue/MessageFileName.h"
#include "source/SourceReader.h"

namespace tolvane::queue {
namespace {

std::string counted(std::uint64_t count, std::string_view one, std::string_view many = {}) {
    return std::to_string(count) + " " +
           (count == 1     ? std::string(one)
            : many.empty() ? std::string(one) + "s"
                           : std::string(many));
}

}  // namespace

bool IsArchiveFile(std::string_view path) {
    return IsQueueableFile(path) && !IsMessageFile(path);
}

ArchiveContents SurveyArchive(const std::string& path) {
    using source::ItemKind;
    const source::SourceSurvey survey = source::surveySource(PathFromUtf8(path));
    const std::uint64_t messages = survey.count(ItemKind::Message);
    std::string line = path + ": " + counted(messages, "message");
    std::string others;
    for (const ItemKind kind :
         {ItemKind::Contact, ItemKind::Appointment, ItemKind::Task, ItemKind::Document}) {
        if (const auto count = survey.count(kind))
            others += (others.empty() ? "" : ", ") + counted(count, source::kindName(kind));
    }
    if (!others.empty())
        line += "; not converted: " + others;
    if (survey.problemCount > 0)
        line += "; " + counted(survey.problemCount, "entry", "entries") + " unreadable";
    return {messages, std::move(line)};
}

}  // namespace tolvane::queue
