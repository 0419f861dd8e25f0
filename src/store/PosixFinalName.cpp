// Renaming without replacing, and syncing the folder so the new name survives a power cut.
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/AppError.h"
#include "store/StoreErrc.h"
#include "store/WorkingFile.h"

namespace tolvane::store {
namespace {

// renameat2 with RENAME_NOREPLACE where the file system has it; else a hard link, which
// also refuses an existing name, and the unlink of the old one.
int renameNoReplace(const char* from, const char* to) {
#ifdef SYS_renameat2
    constexpr unsigned kRenameNoReplace = 1;
    if (syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, kRenameNoReplace) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
#endif
    if (link(from, to) != 0) {
        return -1;
    }
    return unlink(from);
}

void syncFolderOf(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

void moveToFinalName(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (renameNoReplace(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        const std::string because =
            from.string() + " could not be renamed to " + to.string() + ": " + std::strerror(error);
        throw AppError(error == EEXIST ? errc::kFileExists : errc::kFileAccess, because);
    }
    syncFolderOf(to);
}

}  // namespace tolvane::store
