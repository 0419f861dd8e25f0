// The folder's own permissions as the system judges them for this process: access() also
// answers for a read-only file system.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/Destination.h"

namespace tolvane::store {

std::string cannotWriteTo(const std::string& folder) {
    struct stat status {};
    int error = 0;
    if (stat(folder.c_str(), &status) != 0) {
        error = errno;
    } else if (!S_ISDIR(status.st_mode)) {
        error = ENOTDIR;
    } else if (access(folder.c_str(), W_OK | X_OK) != 0) {
        error = errno;
    }
    return error == 0 ? std::string() : cannotWriteSentence(folder, std::strerror(error));
}

}  // namespace tolvane::store
