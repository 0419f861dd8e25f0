#pragma once

#include <string>

#include "platform/ViewSettingsStore.h"

namespace tolvane::win32 {

// The view settings as 32-bit values under Tolvane's own key, HKCU\Software\Tolvane, each
// under the last part of its full name (Hidden, ShowSuperHidden, HideFileExt). Explorer's own
// settings are never read or written.
class RegistryViewSettings : public ViewSettingsStore {
  public:
    static constexpr wchar_t kKey[] = L"Software\\Tolvane";

    std::uint32_t read(const std::string& name) override;
    void write(const std::string& name, std::uint32_t value) override;
};

}  // namespace tolvane::win32
