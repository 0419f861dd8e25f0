#pragma once

// RFC 822 / MIME import: one message becomes one message of the format-neutral model, as
// MS-OXCMAIL maps it. Knows nothing of any store format.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "mapi/ByteSource.h"
#include "mapi/ImportOptions.h"
#include "mapi/Message.h"

namespace tolvane::mime {

// Reads and imports one message file; 8-bit text that declares no charset is read with the
// options' fallback. A malformed message still gives the best message that can be made of
// it; a file that is no message is kept whole as a body, and the message's verdict says so.
// Throws tolvane::AppError whose description names the file and the operating system's
// reason when it cannot be read, or says the file is empty. `opened`, when not -1, is the
// file's descriptor, opened ahead; the import closes it.
mapi::Message importEml(const std::filesystem::path& path, const mapi::ImportOptions& options = {},
                        int opened = -1);

// What is known of a message beside its bytes (a mailbox's records of it), used only where the
// message's own headers say nothing. Times are Unix seconds.
struct OutsideFacts {
    // Dates it when no header does, as a file's modification time dates a file.
    std::optional<std::int64_t> fileTime;
    // When the mailbox received it: the delivery time when no Received line gives one.
    std::optional<std::int64_t> receivedTime;
    // PidTagImportance (0 low, 1 normal, 2 high) when no header gives one.
    std::optional<std::int32_t> importance;
};

// The same import of a message whose bytes another reader holds (an archive's entry, in
// memory or in a spool file). `name` names it in errors; `fallbackTime` (Unix seconds) dates
// it when no header does, as a file's modification time dates a file.
mapi::Message importMessage(const mapi::ByteSource& bytes, std::string_view name,
                            std::optional<std::int64_t> fallbackTime = std::nullopt,
                            const mapi::ImportOptions& options = {});
mapi::Message importMessage(const mapi::ByteSource& bytes, std::string_view name,
                            const OutsideFacts& facts, const mapi::ImportOptions& options = {});

}  // namespace tolvane::mime
