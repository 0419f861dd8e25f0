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
    return IsQueueableFile(path) && !IsMessageFile(path) && !IsContactOrCalendarFile(path);
}

ArchiveContents SurveyArchive(const std::string& path) {
    using source::ItemKind;
    const source::SourceSurvey survey = source::surveySource(PathFromUtf8(path));
    const std::uint64_t messages = survey.count(ItemKind::Message);
    std::string line = path + ": " + counted(messages, "message");
    std::uint64_t items = messages;
    for (const ItemKind kind : {ItemKind::Contact, ItemKind::Appointment, ItemKind::Task}) {
        if (const auto count = survey.count(kind)) {
            line += ", " + counted(count, source::kindName(kind));
            items += count;
        }
    }
    if (const auto documents = survey.count(ItemKind::Document))
        line += "; not converted: " + counted(documents, source::kindName(ItemKind::Document));
    if (survey.problemCount > 0)
        line += "; " + counted(survey.problemCount, "entry", "entries") + " unreadable";
    return {messages, items, std::move(line)};
}

}  // namespace tolvane::queue
