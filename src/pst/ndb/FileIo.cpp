#include "pst/ndb/FileIo.h"

#include <random>

#include "pst/Hex.h"

namespace tolvane::pst::ndb {

std::filesystem::path creationPathFor(const std::filesystem::path& path) {
    std::random_device random;
    const std::string digits = hex(random() & 0xFFFFFFFFu, 8).substr(2);
    std::filesystem::path creating = path;
    creating += ".creating-" + digits + ".tmp";
    return creating;
}

}  // namespace tolvane::pst::ndb
