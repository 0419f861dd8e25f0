// The scanner's file-system service on Windows: names cross as UTF-16 (FindFirstFileExW), and
// paths past MAX_PATH reach the system through the \\?\ form.
#include <windows.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/AppError.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/SystemPath.h"
#include "platform/win32/WideText.h"
#include "scan/FileSystem.h"
#include "scan/NameOrder.h"
#include "scan/ScanErrc.h"

namespace tolvane::scan {

namespace {

// The same numbers and wording as the POSIX service: 70 no access, 76 not there, 75 other.
AppError folderAccessError(DWORD error, std::string_view action, std::string_view folderPath) {
    long number = scan_errc::kPathFileAccessError;
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            number = errc::kPermissionDenied;
            break;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DIRECTORY:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
            number = errc::kPathNotFound;
            break;
        default:
            break;
    }
    std::string description = "Cannot ";
    description.append(action);
    description.append(" folder \"");
    description.append(folderPath);
    description.append("\": ");
    description.append(win32::SystemMessage(error));
    return AppError(number, std::move(description));
}

// Closes a handle on every way out.
struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct FindCloser {
    void operator()(HANDLE handle) const noexcept { FindClose(handle); }
};

// Opens a folder (following links and junctions) for its identity alone.
Handle openDirectory(const std::wstring& systemPath, DWORD& error) {
    HANDLE handle = CreateFileW(systemPath.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return Handle();
    }
    return Handle(handle);
}

DirectoryIdentity identityOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) {
        return {};
    }
    return {info.dwVolumeSerialNumber,
            (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// Entries a listing skips without an error: a link whose target is gone or unreachable.
bool entryIsGone(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_CANT_RESOLVE_FILENAME || error == ERROR_DIRECTORY ||
           error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH;
}

class WindowsFolder final : public Folder {
  public:
    WindowsFolder(std::string path, std::wstring systemPath, DirectoryIdentity identity)
        : path_(std::move(path)), systemPath_(std::move(systemPath)), identity_(identity) {}

    DirectoryIdentity Identity() const override { return identity_; }

    std::shared_ptr<const SubFolderListing> SubFolders() override {
        auto listing = std::make_shared<SubFolderListing>();
        std::size_t others = 0;
        forEachEntry([&](const WIN32_FIND_DATAW& entry, const std::wstring& entryPath) {
            if (!isFolder(entry)) {
                ++others;
                return;
            }
            DWORD error = 0;
            const Handle handle = openDirectory(entryPath, error);
            if (!handle) {
                if (entryIsGone(error)) {
                    return;
                }
                throw folderAccessError(error, "list", path_ + win32::Narrow(entry.cFileName));
            }
            listing->push_back({win32::Narrow(entry.cFileName), identityOf(handle.get())});
        });
        filesSeen_ = others;
        sortLikeWindowsFolder(*listing);
        return listing;
    }

    void VisitFiles(const FileVisitor& visit) override {
        forEachEntry([&](const WIN32_FIND_DATAW& entry, const std::wstring& entryPath) {
            const bool folder = isFolder(entry);
            const bool link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (!link) {
                if (!folder) {
                    visit(win32::Narrow(entry.cFileName), EntryKind::Regular);
                }
                return;
            }
            // A link counts as what it leads to: a folder is listed with the folders, one
            // that leads nowhere is a broken link, as on POSIX.
            const DWORD target = GetFileAttributesW(entryPath.c_str());
            if (target == INVALID_FILE_ATTRIBUTES) {
                visit(win32::Narrow(entry.cFileName), EntryKind::BrokenLink);
            } else if ((target & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                visit(win32::Narrow(entry.cFileName), EntryKind::Regular);
            }
        });
    }

    std::size_t FileCountHint() override {
        if (!filesSeen_) {
            std::size_t count = 0;
            forEachEntry([&](const WIN32_FIND_DATAW& entry, const std::wstring&) {
                count += isFolder(entry) ? 0 : 1;
            });
            filesSeen_ = count;
        }
        return *filesSeen_;
    }

  private:
    static bool isFolder(const WIN32_FIND_DATAW& entry) {
        return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    template <typename Visit>
    void forEachEntry(Visit visit) {
        const std::wstring pattern = systemPath_ + L"*";
        WIN32_FIND_DATAW entry{};
        HANDLE first = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                        FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (first == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) {
                return;  // nothing at all, not even "." (a drive root)
            }
            throw folderAccessError(error, "list", path_);
        }
        const std::unique_ptr<void, FindCloser> find(first);
        do {
            const std::wstring_view name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            if (systemPath_.size() + name.size() < win32::kPlainPathLimit) {
                visit(entry, systemPath_ + entry.cFileName);
            } else {
                visit(entry, win32::SystemPath(
                                 shell::withTrailingSeparator(path_, shell::PathSyntax::Windows) +
                                 win32::Narrow(name)));
            }
        } while (FindNextFileW(find.get(), &entry));
        const DWORD error = GetLastError();
        if (error != ERROR_NO_MORE_FILES) {
            throw folderAccessError(error, "list", path_);
        }
    }

    std::string path_;
    std::wstring systemPath_;  // ends with a backslash
    DirectoryIdentity identity_;
    std::optional<std::size_t> filesSeen_;  // entries not folders, once a listing counted them
};

class WindowsFileSystem final : public FileSystem {
  public:
    shell::PathSyntax Syntax() const override { return shell::PathSyntax::Windows; }

    bool FolderExists(const std::string& path) override {
        if (path.empty()) {
            return false;
        }
        const DWORD attributes = GetFileAttributesW(win32::SystemPath(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    std::shared_ptr<Folder> GetFolder(const std::string& path) override {
        std::wstring systemPath = win32::SystemPath(path);
        DWORD error = 0;
        const Handle handle = openDirectory(systemPath, error);
        if (!handle) {
            throw folderAccessError(error, "open", path);
        }
        const DWORD attributes = GetFileAttributesW(systemPath.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            throw folderAccessError(ERROR_DIRECTORY, "open", path);
        }
        if (systemPath.back() != L'\\') {
            systemPath.push_back(L'\\');
        }
        return std::make_shared<WindowsFolder>(path, std::move(systemPath),
                                               identityOf(handle.get()));
    }
};

}  // namespace

std::shared_ptr<FileSystem> makeNativeFileSystem() {
    return std::make_shared<WindowsFileSystem>();
}

}  // namespace tolvane::scan
