#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace tolvane::testing {

// A fresh directory below the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    // A new name each try, made only by this process (create_directory fails on one taken).
    TempDir() {
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto candidate = std::filesystem::temp_directory_path() /
                                   ("tolvane-" + std::to_string(random() % 1000000000000ULL));
            if (std::filesystem::create_directory(candidate)) {
                path_ = candidate;
                return;
            }
        }
        throw std::runtime_error("no temporary folder could be made");
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace tolvane::testing
