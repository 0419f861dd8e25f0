#pragma once

#include <filesystem>

namespace tolvane::convert {

// A new folder of the run's own below the system's temporary folder, readable by this user
// alone, removed with whatever is in it when the run lets go of it, however the run ends.
class PrivateFolder {
  public:
    PrivateFolder();  // throws std::filesystem::filesystem_error when none can be made
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace tolvane::convert
