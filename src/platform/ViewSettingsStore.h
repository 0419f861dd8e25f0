#pragma once

#include <cstdint>
#include <string>

namespace tolvane {

// Named 32-bit values: the registry values the Explorer view settings use on Windows, a small
// file of their own elsewhere.
class ViewSettingsStore {
  public:
    virtual ~ViewSettingsStore() = default;
    // Throws when the value is missing or the store cannot be read.
    virtual std::uint32_t read(const std::string& name) = 0;
    // Creates or overwrites the value. Throws when the store cannot be written.
    virtual void write(const std::string& name, std::uint32_t value) = 0;
};

}  // namespace tolvane
