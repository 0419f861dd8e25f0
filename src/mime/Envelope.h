#pragma once

// Message headers to message properties (MS-OXCMAIL 2.2.3.1-2.2.3.2): subject and
// threading, originators and recipients, dates, identifiers, importance, sensitivity,
// receipts, list headers, categories, follow-up flag, language.

#include <gmime/gmime.h>

#include <cstdint>
#include <optional>

#include "mapi/Message.h"
#include "mime/HeaderView.h"

namespace tolvane::mime {

struct EnvelopeContext {
    GMimeParserOptions* options = nullptr;
    // Last resort for the sent time when no header dates the message (the file's time).
    std::optional<std::int64_t> fallbackTime;
};

void mapEnvelope(const HeaderView& headers, const EnvelopeContext& context, mapi::Message& msg);

}  // namespace tolvane::mime
