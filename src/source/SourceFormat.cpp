#include "source/SourceFormat.h"

#include "source/NameText.h"

namespace tolvane::source {

std::optional<SourceFormat> sourceFormatOf(std::string_view name) {
    if (endsWithNoCase(name, ".eml"))
        return SourceFormat::MessageFile;
    if (endsWithNoCase(name, ".vcf"))
        return SourceFormat::VCardFile;
    if (endsWithNoCase(name, ".ics"))
        return SourceFormat::ICalendarFile;
    for (const std::string_view suffix : {".tgz", ".tar.gz", ".tar", ".zip"}) {
        if (endsWithNoCase(name, suffix))
            return SourceFormat::Archive;
    }
    return std::nullopt;
}

}  // namespace tolvane::source
