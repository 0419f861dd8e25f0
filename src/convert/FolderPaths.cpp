#include "convert/FolderPaths.h"

#include "platform/AppError.h"
#include "shell/ShellHelpers.h"
#include "text/FolderPath.h"
#include "text/Utf8.h"

namespace tolvane::convert {
namespace {

inline constexpr long kInvalidProcedureCall = 5;

std::string trimSpaces(std::string_view text) {
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) {
        return {};
    }
    const auto end = text.find_last_not_of(' ');
    return std::string(text.substr(begin, end - begin + 1));
}

[[noreturn]] void failInRoot(const std::string& filePath) {
    throw AppError(kInvalidProcedureCall,
                   "The queued file lies directly in the root folder of its drive: " + filePath);
}

// The folders of a folder part ("a/b/" or "a\b\") joined by backslashes; a name that is not
// UTF-8 is decoded by `decodeName` when one is given.
std::string joinedFolderNames(std::string_view folders, char separator,
                              const NameDecoder& decodeName) {
    std::string joined;
    joined.reserve(folders.size());
    std::size_t at = 0;
    for (;;) {
        const auto next = folders.find(separator, at);
        const std::string_view name = folders.substr(at, next - at);
        if (decodeName && !text::isValidUtf8(name)) {
            joined += decodeName(name);
        } else {
            joined += name;
        }
        if (next == std::string_view::npos) {
            return joined;
        }
        joined += text::kFolderSeparator;
        at = next + 1;
    }
}

}  // namespace

std::string MessageFolderPath(const std::string& filePath, const NameDecoder& decodeName) {
    const std::string trimmed = trimSpaces(filePath);
    const shell::PathSyntax syntax = shell::syntaxOf(trimmed);
    // Below the drive: everything after the drive's colon and its backslash; below the root
    // "/", which plays the drive's part, everything after it.
    std::string belowDrive;
    if (syntax == shell::PathSyntax::Posix) {
        belowDrive = trimmed.substr(1);
    } else {
        const auto colon = trimmed.find(':');
        if (colon == std::string::npos) {
            throw AppError(errc::kSubscriptOutOfRange,
                           "The queued path has neither a drive (C:) nor a root (/): " + filePath);
        }
        const auto nextColon = trimmed.find(':', colon + 1);
        const auto pieceLength =
            nextColon == std::string::npos ? std::string::npos : nextColon - colon - 1;
        belowDrive = trimSpaces(std::string_view(trimmed).substr(colon + 1, pieceLength));
        if (!belowDrive.empty()) {
            belowDrive.erase(0, 1);  // the backslash after the drive's colon
        }
    }
    const std::string folder =
        belowDrive.empty() ? std::string() : shell::FolderFromPath(belowDrive, syntax);
    if (folder.size() < 2) {
        failInRoot(filePath);  // no separator, or only the one right after the drive
    }
    return joinedFolderNames(std::string_view(folder).substr(0, folder.size() - 1),
                             shell::separatorOf(syntax), decodeName);
}

void ExpandFolderPaths(PathList& list) {
    const std::size_t before = list.size();
    for (std::size_t j = 0; j < before; ++j) {
        const std::string entry = list[j];  // appending may move the list's storage
        for (const std::string_view name : text::folderNames(entry)) {
            list.push_back(entry.substr(
                0, static_cast<std::size_t>(name.data() - entry.data()) + name.size()));
        }
    }
}

std::string RemoveBangNumbers(const std::string& folderPath) {
    std::string result;
    result.reserve(folderPath.size());
    std::size_t at = 0;
    while (at < folderPath.size()) {
        const bool numberFollows = folderPath[at] == '!' && at + 1 < folderPath.size() &&
                                   folderPath[at + 1] >= '1' && folderPath[at + 1] <= '9';
        if (!numberFollows) {
            result.push_back(folderPath[at++]);
            continue;
        }
        at += 2;
        while (at < folderPath.size() && folderPath[at] >= '0' && folderPath[at] <= '9') {
            ++at;
        }
    }
    return result;
}

}  // namespace tolvane::convert
