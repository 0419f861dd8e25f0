// Windows decides a folder's write access by its ACLs, which no attribute shows: a file is
// made there and goes again when its handle closes (also when the process dies).
#include <windows.h>

#include "platform/win32/SystemMessage.h"
#include "platform/win32/SystemPath.h"
#include "store/Destination.h"

namespace tolvane::store {

std::string cannotWriteTo(const std::string& folder) {
    const std::wstring systemFolder = win32::SystemPath(folder);
    const DWORD attributes = GetFileAttributesW(systemFolder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return cannotWriteSentence(folder, win32::SystemMessage(GetLastError()));
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return cannotWriteSentence(folder, win32::SystemMessage(ERROR_DIRECTORY));
    }
    std::wstring probe = systemFolder;
    if (probe.back() != L'\\') {
        probe.push_back(L'\\');
    }
    probe += L"tolvane-write-test-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    const HANDLE file = CreateFileW(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Someone's probe of the same name is there: the folder takes new files.
        return error == ERROR_FILE_EXISTS
                   ? std::string()
                   : cannotWriteSentence(folder, win32::SystemMessage(error));
    }
    CloseHandle(file);
    return {};
}

}  // namespace tolvane::store
