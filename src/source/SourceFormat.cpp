#include "source/SourceFormat.h"

#include "source/NameText.h"

namespace tolvane::source {

std::optional<SourceFormat> sourceFormatOf(const std::filesystem::path& path) {
    const std::u8string name8 = path.filename().u8string();
    const std::string_view name(reinterpret_cast<const char*>(name8.data()), name8.size());
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
