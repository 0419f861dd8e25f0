#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <utility>

#include "platform/AppError.h"
#include "platform/Utf8Path.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/SystemPath.h"
#include "source/NativeFile.h"

namespace tolvane::source {

namespace {

constexpr long kPathFileAccess = 75;  // "Path/File access error"
constexpr long kDiskFull = 61;

[[noreturn]] void fail(const std::string& what, const std::string& name, DWORD error) {
    const long number =
        error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? errc::kFileNotFound
        : error == ERROR_ACCESS_DENIED                                 ? errc::kPermissionDenied
        : error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL  ? kDiskFull
                                                                       : kPathFileAccess;
    throw AppError(number, "cannot " + what + " " + name + ": " + win32::SystemMessage(error));
}

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

NativeFile NativeFile::openForReading(const std::filesystem::path& path) {
    const std::string name = Utf8FromPath(path);
    std::wstring systemPath = win32::SystemPath(Utf8FromPath(std::filesystem::absolute(path)));
    const HANDLE handle =
        CreateFileW(systemPath.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        std::error_code ignored;
        if (error == ERROR_ACCESS_DENIED && std::filesystem::is_directory(path, ignored)) {
            throw AppError(kPathFileAccess, "cannot read " + name + ": it is a folder");
        }
        fail("read", name, error);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(handle);
        throw AppError(kPathFileAccess, "cannot read " + name + ": it is not a regular file");
    }
    const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    return NativeFile(reinterpret_cast<std::intptr_t>(handle), size, name, std::move(systemPath));
}

NativeFile NativeFile::createSpool(const std::filesystem::path& folder) {
    static std::atomic<unsigned> counter{0};
    const std::string where = Utf8FromPath(folder);
    for (;;) {
        const std::string name = "tolvane-spool-" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(GetTickCount64()) + "-" +
                                 std::to_string(counter++) + ".tmp";
        std::wstring path =
            win32::SystemPath(Utf8FromPath(std::filesystem::absolute(folder)) + "\\" + name);
        const HANDLE handle =
            CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll, nullptr,
                        CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            return NativeFile(reinterpret_cast<std::intptr_t>(handle), 0,
                              "a spool file in " + where, std::move(path));
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            fail("create a spool file in", where, error);
    }
}

void NativeFile::close(std::intptr_t handle) {
    CloseHandle(handleOf(handle));
}

void NativeFile::append(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        OVERLAPPED position = at(size_);
        DWORD written = 0;
        const auto ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (!WriteFile(handleOf(handle_), bytes.data(), ask, &written, &position) || written == 0)
            fail("write", name_, GetLastError());
        size_ += written;
        bytes = bytes.subspan(written);
    }
}

std::size_t NativeFile::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    std::size_t done = 0;
    while (done < out.size()) {
        OVERLAPPED position = at(offset + done);
        DWORD read = 0;
        const auto ask = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
        if (!ReadFile(handleOf(handle_), out.data() + done, ask, &read, &position)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF)
                break;
            fail("read", name_, error);
        }
        if (read == 0)
            break;
        done += read;
    }
    return done;
}

int NativeFile::openDescriptor() const {
    // A handle of its own has a file position of its own. Sharing deletion lets it open a spool
    // that is to be deleted on close; where ReOpenFile is missing (older Wine), the file is
    // opened again by its name.
    HANDLE copy = ReOpenFile(handleOf(handle_), GENERIC_READ, kShareAll, 0);
    if (copy == INVALID_HANDLE_VALUE) {
        copy = CreateFileW(systemPath_.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (copy == INVALID_HANDLE_VALUE)
        fail("open", name_, GetLastError());
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(copy);
        fail("open", name_, ERROR_TOO_MANY_OPEN_FILES);
    }
    return fd;
}

}  // namespace tolvane::source
