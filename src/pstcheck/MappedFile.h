#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "pstcheck/Bytes.h"

namespace tolvane::pstcheck {

// A whole file mapped read-only, so files larger than memory can be checked.
class MappedFile {
  public:
    explicit MappedFile(const std::string& path);  // throws std::runtime_error
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    Bytes bytes() const { return {data_, size_}; }

  private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace tolvane::pstcheck
