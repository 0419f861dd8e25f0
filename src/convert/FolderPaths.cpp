#include "convert/FolderPaths.h"

#include <algorithm>

#include "platform/AppError.h"

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

std::string posixFolderPath(const std::string& trimmed, const std::string& filePath) {
    const auto lastSlash = trimmed.rfind('/');
    if (lastSlash == 0) {
        failInRoot(filePath);
    }
    std::string folders = trimmed.substr(1, lastSlash - 1);
    std::replace(folders.begin(), folders.end(), '/', '\\');
    return folders;
}

}  // namespace

std::string MessageFolderPath(const std::string& filePath) {
    const std::string trimmed = trimSpaces(filePath);
    if (!trimmed.empty() && trimmed.front() == '/') {
        return posixFolderPath(trimmed, filePath);
    }

    const auto colon = trimmed.find(':');
    if (colon == std::string::npos) {
        throw AppError(errc::kSubscriptOutOfRange,
                       "The queued path has neither a drive (C:) nor a root (/): " + filePath);
    }
    const auto nextColon = trimmed.find(':', colon + 1);
    const auto pieceLength =
        nextColon == std::string::npos ? std::string::npos : nextColon - colon - 1;
    std::string piece = trimSpaces(std::string_view(trimmed).substr(colon + 1, pieceLength));
    if (!piece.empty()) {
        piece.erase(0, 1);  // the backslash after the drive's colon
    }
    const auto lastBackslash = piece.rfind('\\');
    if (lastBackslash == std::string::npos || lastBackslash == 0) {
        failInRoot(filePath);
    }
    return piece.substr(0, lastBackslash);
}

void ExpandFolderPaths(PathList& list) {
    const std::size_t before = list.size();
    for (std::size_t j = 0; j < before; ++j) {
        const std::string entry = list[j];  // appending may move the list's storage
        if (entry.empty()) {
            continue;
        }
        for (auto at = entry.find('\\'); at != std::string::npos; at = entry.find('\\', at + 1)) {
            list.push_back(entry.substr(0, at));
        }
        list.push_back(entry);
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
