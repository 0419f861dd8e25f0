#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolvane::queue {

// Whether a queued path is a Zimbra export archive (.tgz, .tar.gz, .tar, .zip).
bool IsArchiveFile(std::string_view path);

struct ArchiveContents {
    std::uint64_t messages = 0;
    std::uint64_t items = 0;  // messages, contacts, appointments and tasks: what is converted
    // "/m/export.tgz: 20 messages, 3 contacts, 1 appointment; not converted: 1 document", with
    // "; 2 entries unreadable" when the reading met problems (the run reports them).
    std::string line;
};

// What a queued archive holds, read through once without keeping anything.
ArchiveContents SurveyArchive(const std::string& path);

}  // namespace tolvane::queue
