#include "convert/PrivateFolder.h"

#include <random>
#include <string>
#include <system_error>

namespace tolvane::convert {

PrivateFolder::PrivateFolder() {
    namespace fs = std::filesystem;
    std::random_device seed;
    std::mt19937_64 random(seed());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        // create_directory fails on a name taken: the folder is made by this run alone.
        const fs::path candidate = base / ("tolvane-run-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace);
            path_ = candidate;
            return;
        }
    }
    throw fs::filesystem_error("no private temporary folder could be made", base,
                               std::make_error_code(std::errc::file_exists));
}

PrivateFolder::~PrivateFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace tolvane::convert
