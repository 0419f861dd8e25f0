#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>

namespace tolvane::source {

// What a file the user may queue is, by its name.
enum class SourceFormat {
    MessageFile,    // .eml, with its NAME.eml.meta beside it when the user unpacked an export
    VCardFile,      // .vcf
    ICalendarFile,  // .ics
    Archive,        // .tgz, .tar.gz, .tar, .zip: a Zimbra export
};

std::optional<SourceFormat> sourceFormatOf(const std::filesystem::path& path);

// The file-name patterns of everything a user may queue, for a file dialog or a folder scan.
inline constexpr std::array<std::string_view, 7> kSourcePatterns{
    "*.eml", "*.tgz", "*.tar.gz", "*.tar", "*.zip", "*.vcf", "*.ics"};

}  // namespace tolvane::source
