#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "TempDir.h"

namespace tolvane::queue {

// A temporary folder with message files and folders made in it; everything in it is made
// removable again before it goes.
class TempFolder : public testing::TempDir {
  public:
    ~TempFolder() {
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(path(), ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }

    // The folder's path as a string, with no trailing separator.
    std::string str() const { return path().string(); }
    // Creates a message file (and its folders) at a path relative to the folder.
    void file(const std::string& relative) const {
        const auto full = path() / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full) << "Subject: test\r\n\r\nbody\r\n";
    }
    void folder(const std::string& relative) const {
        std::filesystem::create_directories(path() / relative);
    }
};

}  // namespace tolvane::queue
