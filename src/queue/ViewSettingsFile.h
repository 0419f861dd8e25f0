#pragma once

#include <filesystem>

#include "platform/ViewSettingsStore.h"

namespace tolvane::queue {

// A view-settings store in one small text file of its own, one "name=value" line per value.
// Each write replaces the file as a whole (written beside it, then renamed over it).
class ViewSettingsFile : public ViewSettingsStore {
  public:
    explicit ViewSettingsFile(std::filesystem::path file);

    // <user config dir>/tolvane/explorer-view-settings: $XDG_CONFIG_HOME, else ~/.config
    // (%APPDATA% on Windows). Empty when neither is known.
    static std::filesystem::path userFile();

    std::uint32_t read(const std::string& name) override;
    void write(const std::string& name, std::uint32_t value) override;

    const std::filesystem::path& file() const noexcept { return file_; }

  private:
    std::filesystem::path file_;
};

}  // namespace tolvane::queue
