// The Windows file: CreateFileW, positioned WriteFile and ReadFile, FlushFileBuffers. The
// gathering of runs is the same as in the POSIX file.
#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <stdexcept>
#include <string>

#include "platform/win32/SystemPath.h"
#include "platform/win32/WideText.h"
#include "pst/PstError.h"
#include "pst/ndb/PstFile.h"

namespace tolvane::pst::ndb {
namespace {

// Gathered bytes are handed over once they come to this much, or span this many runs.
constexpr std::uint64_t kPendingLimit = std::uint64_t{8} << 20;
constexpr std::size_t kRunLimit = 8192;
// A value streamed in pieces this large or larger goes straight to the system.
constexpr std::size_t kWriteThroughSize = std::size_t{1} << 20;
// Runs that touch are handed over together up to this many (one WriteFile each).
constexpr std::size_t kMaxIov = 1024;
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

std::string systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.')) {
        message.pop_back();
    }
    return message.empty() ? "system error " + std::to_string(error) : win32::Narrow(message);
}

}  // namespace

PstFile::PstFile(std::filesystem::path path) : path_(std::move(path)) {
    arena_.reserve(kPendingLimit);
    // Readers may look while it is written; nobody else writes or removes it meanwhile.
    HANDLE handle =
        CreateFileW(win32::SystemPath(path_.wstring()).c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        throw PstError("cannot create PST file " + win32::Narrow(path_.wstring()) + ": " +
                       (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS
                            ? std::string("it already exists")
                            : systemMessage(error)));
    }
    handle_ = handle;
}

PstFile::~PstFile() {
    if (handle_ != nullptr) {
        CloseHandle(handleOf(handle_));
    }
}

void PstFile::write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return;
    }
    if (bytes.size() >= kWriteThroughSize) {
        if (overlapsPending(offset, bytes.size())) {
            flush();  // later bytes must win: hand over the earlier ones first
        }
        writeThrough(offset, bytes);
        return;
    }
    const auto room = place(offset, bytes.size());
    std::copy(bytes.begin(), bytes.end(), room.begin());
}

std::span<std::uint8_t> PstFile::place(std::uint64_t offset, std::size_t size) {
    if (size >= kWriteThroughSize) {
        throw std::logic_error("PstFile: place() takes less than 1 MiB");
    }
    if (overlapsPending(offset, size)) {
        flush();  // later bytes must win: hand over the earlier ones first
    }
    if (arena_.size() + size > kPendingLimit || pending_.size() >= kRunLimit) {
        flush();
    }
    // Extend the run that ends where these bytes start when its bytes end the arena too.
    const std::size_t at = arena_.size();
    arena_.resize(at + size);
    const std::span<std::uint8_t> room(arena_.data() + at, size);
    auto next = pending_.lower_bound(offset);
    if (next != pending_.begin()) {
        Run& prev = std::prev(next)->second;
        if (std::prev(next)->first + prev.size == offset && prev.at + prev.size == at) {
            prev.size += size;
            return room;
        }
    }
    pending_.emplace_hint(next, offset, Run{at, size});
    return room;
}

void PstFile::read(std::uint64_t offset, std::span<std::uint8_t> bytes) {
    flush();
    std::size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED position = at(offset + done);
        DWORD n = 0;
        const auto ask = static_cast<DWORD>(std::min(bytes.size() - done, kMaxCall));
        if (!ReadFile(handleOf(handle_), bytes.data() + done, ask, &n, &position)) {
            fail("read", offset + done);
        }
        if (n == 0) {
            SetLastError(ERROR_HANDLE_EOF);
            fail("read", offset + done);
        }
        done += n;
    }
}

void PstFile::resize(std::uint64_t size) {
    flush();
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(handleOf(handle_), FileEndOfFileInfo, &end, sizeof end)) {
        fail("resize to", size);
    }
}

void PstFile::flush() {
    // Emptied even when a write fails, so a failure is reported once.
    struct Clear {
        PstFile& file;
        ~Clear() {
            file.pending_.clear();
            file.arena_.clear();
        }
    } clear{*this};
    for (auto first = pending_.cbegin(); first != pending_.cend();) {
        // Runs that touch, up to what one call takes.
        auto last = std::next(first);
        std::uint64_t end = first->first + first->second.size;
        std::size_t count = 1;
        while (last != pending_.cend() && last->first == end && count < kMaxIov) {
            end += last->second.size;
            ++last;
            ++count;
        }
        writeRuns(first, last);
        first = last;
    }
}

void PstFile::sync() {
    flush();
    if (!FlushFileBuffers(handleOf(handle_))) {
        fail("sync", 0);
    }
}

bool PstFile::overlapsPending(std::uint64_t offset, std::uint64_t size) const {
    auto next = pending_.lower_bound(offset);
    if (next != pending_.end() && next->first < offset + size) {
        return true;
    }
    if (next != pending_.begin()) {
        const auto prev = std::prev(next);
        return prev->first + prev->second.size > offset;
    }
    return false;
}

void PstFile::writeRuns(Runs::const_iterator first, Runs::const_iterator last) {
    std::vector<iovec> iov;
    for (auto it = first; it != last; ++it) {
        iov.push_back({arena_.data() + it->second.at, it->second.size});
    }
    writeVectors(first->first, iov);
}

void PstFile::writeThrough(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    iovec one{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    writeVectors(offset, std::span(&one, 1));
}

void PstFile::writeVectors(std::uint64_t offset, std::span<iovec> iov) {
    std::uint64_t position = offset;
    for (const iovec& v : iov) {
        const auto* bytes = static_cast<const std::uint8_t*>(v.iov_base);
        std::size_t done = 0;
        while (done < v.iov_len) {
            ++systemWrites_;
            OVERLAPPED where = at(position);
            DWORD n = 0;
            const auto ask = static_cast<DWORD>(std::min(v.iov_len - done, kMaxCall));
            if (!WriteFile(handleOf(handle_), bytes + done, ask, &n, &where) || n == 0) {
                fail("write", position);
            }
            done += n;
            position += n;
        }
    }
    startWriteBack(static_cast<std::size_t>(position - offset));
}

// The system writes back on its own; a commit's FlushFileBuffers waits for what is left.
void PstFile::startWriteBack(std::size_t written) {
    unflushedBytes_ += written;
}

void PstFile::fail(const char* what, std::uint64_t offset) const {
    const DWORD error = GetLastError();
    using Cause = PstWriteError::Cause;
    Cause cause = Cause::Other;
    int systemError = EIO;
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) {
        cause = Cause::DiskFull;
        systemError = ENOSPC;
    } else if (error == ERROR_FILE_TOO_LARGE) {
        cause = Cause::FileTooLarge;
        systemError = EFBIG;
    }
    throw PstWriteError(cause, systemError,
                        std::string("PST file ") + win32::Narrow(path_.wstring()) + ": cannot " +
                            what + " offset " + std::to_string(offset) + ": " +
                            systemMessage(error));
}

}  // namespace tolvane::pst::ndb
#endif
