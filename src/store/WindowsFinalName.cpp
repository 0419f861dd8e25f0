// Renaming without replacing; MOVEFILE_WRITE_THROUGH returns once the new name is on disk.
#include <windows.h>

#include "platform/AppError.h"
#include "platform/win32/SystemPath.h"
#include "platform/win32/WideText.h"
#include "store/StoreErrc.h"
#include "store/WorkingFile.h"

namespace tolvane::store {

void moveToFinalName(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (MoveFileExW(win32::SystemPath(from.wstring()).c_str(),
                    win32::SystemPath(to.wstring()).c_str(), MOVEFILE_WRITE_THROUGH)) {
        return;
    }
    const DWORD error = GetLastError();
    const bool taken = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    throw AppError(taken ? errc::kFileExists : errc::kFileAccess,
                   win32::Narrow(from.wstring()) + " could not be renamed to " +
                       win32::Narrow(to.wstring()) + ": " +
                       (taken ? std::string("the file already exists")
                              : "system error " + std::to_string(error)));
}

}  // namespace tolvane::store
