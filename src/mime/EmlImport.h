#pragma once

// RFC 822 / MIME import: one .eml file becomes one message of the format-neutral model,
// as MS-OXCMAIL maps it. Knows nothing of any store format.

#include <filesystem>

#include "mapi/ImportOptions.h"
#include "mapi/Message.h"

namespace tolvane::mime {

// Reads and imports one message file; 8-bit text that declares no charset is read with the
// options' fallback. A malformed message still gives the best message that can be made of
// it. Throws tolvane::AppError whose description names the file and the operating system's
// reason when it cannot be read, or says the file is empty.
mapi::Message importEml(const std::filesystem::path& path, const mapi::ImportOptions& options = {});

}  // namespace tolvane::mime
