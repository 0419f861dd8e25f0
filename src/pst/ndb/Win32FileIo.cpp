// The Windows file under PstFile; PosixFileIo.cpp is the POSIX one. Each is built on its own
// system only.
#ifdef _WIN32
#include "pst/ndb/Win32FileIo.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/win32/SystemMessage.h"
#include "platform/win32/SystemPath.h"
#include "platform/win32/WideText.h"
#include "pst/PstError.h"

namespace tolvane::pst::ndb {
namespace {

// One WriteFile or ReadFile call moves at most this much.
constexpr std::size_t kMaxCall = std::size_t{1} << 30;

HANDLE handleOf(void* handle) {
    return static_cast<HANDLE>(handle);
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

class NativeFileSystem final : public FileSystem {
  public:
    std::unique_ptr<FileIo> createNew(const std::filesystem::path& path) override {
        return std::make_unique<Win32FileIo>(path);
    }
};

}  // namespace

FileSystem& FileSystem::native() {
    static NativeFileSystem files;
    return files;
}

namespace {

[[noreturn]] void cannotCreate(const std::filesystem::path& path, DWORD error) {
    throw PstError("cannot create PST file " + win32::Narrow(path.wstring()) + ": " +
                   (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS
                        ? std::string("it already exists")
                        : win32::SystemMessage(error)));
}

}  // namespace

void removeLeftoverCreations(const std::filesystem::path& folder) {
    for (const auto& file : creationFilesIn(folder)) {
        // Opened sharing nothing, which fails while any handle is open (a live run's, whatever
        // it shares) or the file is already going; closing it removes it.
        HANDLE handle = CreateFileW(
            win32::SystemPath(file.wstring()).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
}

Win32FileIo::Win32FileIo(std::filesystem::path path) : path_(std::move(path)) {
    if (GetFileAttributesW(win32::SystemPath(path_.wstring()).c_str()) != INVALID_FILE_ATTRIBUTES) {
        cannotCreate(path_, ERROR_FILE_EXISTS);
    }
    removeLeftoverCreations(path_.has_parent_path() ? path_.parent_path()
                                                    : std::filesystem::path(L"."));
    // Readers may look while it is written, and it may be renamed or removed while open; DELETE
    // access lets it be marked for deletion and renamed by its handle.
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::filesystem::path creating;
    for (int attempt = 0; handle == INVALID_HANDLE_VALUE; ++attempt) {
        creating = creationPathFor(path_);
        handle =
            CreateFileW(win32::SystemPath(creating.wstring()).c_str(),
                        GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = GetLastError();
        if (handle == INVALID_HANDLE_VALUE && (error != ERROR_FILE_EXISTS || attempt == 8)) {
            cannotCreate(path_, error);
        }
    }
    handle_ = handle;
    if (!setDeleteOnClose(true)) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        handle_ = nullptr;
        DeleteFileW(win32::SystemPath(creating.wstring()).c_str());
        cannotCreate(path_, error);
    }
}

bool Win32FileIo::setDeleteOnClose(bool remove) {
    // By position: the field is named DeleteFile, which windows.h makes a macro.
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(remove ? TRUE : FALSE)};
    return SetFileInformationByHandle(handleOf(handle_), FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

void Win32FileIo::publish() {
    if (published_) {
        return;
    }
    if (!setDeleteOnClose(false)) {
        fail("keep it", GetLastError());
    }
    const std::wstring name = win32::SystemPath(path_.wstring());
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + (name.size() + 1) * sizeof(WCHAR));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(WCHAR));
    std::copy(name.begin(), name.end(), rename->FileName);
    if (!SetFileInformationByHandle(handleOf(handle_), FileRenameInfo, rename,
                                    static_cast<DWORD>(buffer.size()))) {
        const DWORD error = GetLastError();
        setDeleteOnClose(true);  // still nameless: it goes with its handle
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            cannotCreate(path_, error);
        }
        fail("give it its name", error);
    }
    published_ = true;
}

Win32FileIo::~Win32FileIo() {
    if (handle_ != nullptr) {
        CloseHandle(handleOf(handle_));
    }
}

void Win32FileIo::write(std::uint64_t offset, std::span<const IoBuffer> buffers) {
    std::uint64_t position = offset;
    for (const IoBuffer& buffer : buffers) {
        std::size_t done = 0;
        while (done < buffer.size) {
            OVERLAPPED where = at(position);
            DWORD n = 0;
            const auto ask = static_cast<DWORD>(std::min(buffer.size - done, kMaxCall));
            if (!WriteFile(handleOf(handle_), buffer.data + done, ask, &n, &where)) {
                fail("write", position, GetLastError());
            }
            if (n == 0) {
                fail("write", position, ERROR_WRITE_FAULT);
            }
            done += n;
            position += n;
        }
    }
}

void Win32FileIo::read(std::uint64_t offset, std::span<std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED where = at(offset + done);
        DWORD n = 0;
        const auto ask = static_cast<DWORD>(std::min(bytes.size() - done, kMaxCall));
        if (!ReadFile(handleOf(handle_), bytes.data() + done, ask, &n, &where)) {
            fail("read", offset + done, GetLastError());
        }
        if (n == 0) {
            fail("read", offset + done, ERROR_HANDLE_EOF);
        }
        done += n;
    }
}

void Win32FileIo::sync() {
    if (!FlushFileBuffers(handleOf(handle_))) {
        fail("sync", 0, GetLastError());
    }
}

void Win32FileIo::truncate(std::uint64_t size) {
    setEnd(size, "resize to");
}

void Win32FileIo::extend(std::uint64_t from, std::uint64_t to) {
    if (to <= from) {
        return;
    }
    // A file that is not sparse gets its clusters when its end moves (NTFS, FAT), so a full
    // disk shows here and not in a later write.
    try {
        setEnd(to, "grow to");
    } catch (const PstWriteError&) {
        FILE_END_OF_FILE_INFO end{};
        end.EndOfFile.QuadPart = static_cast<LONGLONG>(from);
        SetFileInformationByHandle(handleOf(handle_), FileEndOfFileInfo, &end, sizeof end);
        throw;
    }
}

void Win32FileIo::setEnd(std::uint64_t size, const char* what) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(handleOf(handle_), FileEndOfFileInfo, &end, sizeof end)) {
        fail(what, size, GetLastError());
    }
}

void Win32FileIo::fail(const char* what, std::uint64_t offset, unsigned long error) const {
    fail(std::string(what) + " offset " + std::to_string(offset), error);
}

void Win32FileIo::fail(const std::string& what, unsigned long error) const {
    // The POSIX number for the cause, so callers read one kind of system error.
    using Cause = PstWriteError::Cause;
    Cause cause = Cause::Other;
    int number = EIO;
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) {
        cause = Cause::DiskFull;
        number = ENOSPC;
    } else if (error == ERROR_FILE_TOO_LARGE) {
        cause = Cause::FileTooLarge;
        number = EFBIG;
    }
    throw PstWriteError(cause, number,
                        "PST file " + win32::Narrow(path_.wstring()) + ": cannot " + what + ": " +
                            win32::SystemMessage(error));
}

}  // namespace tolvane::pst::ndb
#endif
