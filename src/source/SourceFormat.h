#pragma once

#include <array>
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

// By the ending of a file's name, given alone or as the end of its path's UTF-8 text: the
// endings hold no separator, so the text need not be split (a queue of a million paths is
// routed by this).
std::optional<SourceFormat> sourceFormatOf(std::string_view utf8PathOrName);

// The file-name patterns of everything a user may queue, for a file dialog or a folder scan.
inline constexpr std::array<std::string_view, 7> kSourcePatterns{
    "*.eml", "*.tgz", "*.tar.gz", "*.tar", "*.zip", "*.vcf", "*.ics"};

}  // namespace tolvane::source
