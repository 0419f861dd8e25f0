#pragma once

// GMime's one-time set-up, and a MIME message parsed from bytes in memory, for every importer
// that parses with GMime (mail files, and Zimbra's contact and calendar blobs).

#include <gmime/gmime.h>

#include <cstdint>
#include <span>

#include "mime/GObjectPtr.h"

namespace tolvane::mime {

// Sets GMime up on the first call; each entry point that parses calls it first.
void gmimeReady();

// The message the bytes hold (GMime keeps its own copy), or null when they hold no message
// with a body.
GObjectPtr<GMimeMessage> parseMessageBytes(std::span<const std::uint8_t> bytes);

}  // namespace tolvane::mime
