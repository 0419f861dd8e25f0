#pragma once

#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace tolvane::testing {

// A new folder in the Windows temporary folder, removed with everything in it at the end, long
// paths included (each entry by its \\?\ name).
class TempFolder {
  public:
    explicit TempFolder(const std::wstring& stem) {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);
        // Wine hands out the same process ids run after run: the name also takes the time.
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::wstring name = stem + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                      std::to_wstring(GetTickCount64()) + L"-" +
                                      std::to_wstring(attempt);
            if (CreateDirectoryW((std::wstring(base) + name).c_str(), nullptr)) {
                path_ = std::filesystem::path(base) / name;
                return;
            }
        }
        throw std::runtime_error("no temporary folder could be made");
    }
    ~TempFolder() { removeTree(L"\\\\?\\" + path_.wstring()); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    static void removeTree(const std::wstring& folder) {
        WIN32_FIND_DATAW entry{};
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") {
                    continue;
                }
                const std::wstring full = folder + L"\\" + name;
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    removeTree(full);
                } else {
                    SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(full.c_str());
                }
            } while (FindNextFileW(find, &entry));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::filesystem::path path_;
};

}  // namespace tolvane::testing
