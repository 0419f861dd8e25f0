#pragma once

#include <stdexcept>
#include <string>

namespace tolvane::pst {

// Any failure of the PST writer: the text says what, and where (path, node, block, field).
class PstError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace tolvane::pst
