#pragma once

#include <string_view>

namespace tolvane::queue {

// A path names a message file when, lower-cased and stripped of spaces at both ends, it ends
// in ".eml": blind to case, deaf to trailing spaces.
bool IsMessageFile(std::string_view path);

// A vCard (.vcf) or iCalendar (.ics) file, by the same rule.
bool IsContactOrCalendarFile(std::string_view path);

// What the queue takes: a message file, a Zimbra export archive (.tgz, .tar.gz, .tar, .zip),
// a vCard or an iCalendar file (the sources' own list of patterns), by the same rule.
bool IsQueueableFile(std::string_view path);

}  // namespace tolvane::queue
