#pragma once

// PidTagMessageSize: a store computes it; a directly written store must carry one. Ours is
// the sum of the stored value sizes (strings as UTF-16), recipients, attachments and
// embedded messages included.

#include <cstdint>

#include "mapi/Message.h"

namespace tolvane::mime {

std::uint64_t messageSize(const mapi::Message& msg);

}  // namespace tolvane::mime
