#include "scan/FolderAccessError.h"

#include <cerrno>
#include <string>
#include <system_error>

#include "scan/ScanErrc.h"

namespace tolvane::scan {

namespace {

long numberFor(int systemError) {
    switch (systemError) {
        case EACCES:
        case EPERM:
            return errc::kPermissionDenied;
        case ENOENT:
        case ENOTDIR:
            return errc::kPathNotFound;
        default:
            return scan_errc::kPathFileAccessError;
    }
}

}  // namespace

AppError folderAccessError(int systemError, std::string_view action, std::string_view folderPath) {
    std::string description = "Cannot ";
    description.append(action);
    description.append(" folder \"");
    description.append(folderPath);
    description.append("\": ");
    description.append(std::generic_category().message(systemError));
    return AppError(numberFor(systemError), std::move(description));
}

}  // namespace tolvane::scan
