#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include <unistd.h>

namespace tolvane::scan::test {

// A folder tree in a fresh temporary directory, removed with everything in it at the end.
class TempTree {
  public:
    TempTree() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/tolvane-scan-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed for " + pattern);
        }
        root_ = pattern;
    }
    ~TempTree() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The tree's top folder, without a trailing separator.
    const std::string& root() const { return root_; }
    std::string path(std::string_view relative) const {
        return root_ + "/" + std::string(relative);
    }

    void folder(std::string_view relative) const {
        std::filesystem::create_directories(path(relative));
    }
    void file(std::string_view relative) const {
        std::filesystem::path target = path(relative);
        std::filesystem::create_directories(target.parent_path());
        std::ofstream(target) << "x";
    }
    void link(std::string_view relative, const std::string& target) const {
        std::filesystem::create_symlink(target, path(relative));
    }

  private:
    std::string root_;
};

}  // namespace tolvane::scan::test
