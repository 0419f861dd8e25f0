#pragma once

// What an imported message holds in memory: its values, recipients, attachments and embedded
// messages, near enough for a read-ahead to budget by. Values spooled to disk count nothing.
// No property: the store computes PidTagMessageSize from what it writes.

#include <cstdint>

#include "mapi/Message.h"

namespace tolvane::mime {

std::uint64_t inMemorySize(const mapi::Message& msg);

}  // namespace tolvane::mime
