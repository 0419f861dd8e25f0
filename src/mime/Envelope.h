#pragma once

// Message headers to message properties (MS-OXCMAIL 2.2.3.1-2.2.3.2): subject and
// threading, originators and recipients, dates, identifiers, importance, sensitivity,
// receipts, list headers, categories, follow-up flag, language.

#include <gmime/gmime.h>

#include <cstdint>
#include <optional>

#include "mapi/Message.h"
#include "mime/EmlImport.h"
#include "mime/HeaderView.h"

namespace tolvane::mime {

struct EnvelopeContext {
    GMimeParserOptions* options = nullptr;
    // fileTime: last resort for the sent time when no header dates the message; the others
    // where the headers give no delivery time or importance.
    OutsideFacts outside;
};

// PidTagImportance from the headers' value, else from outside with the PidTagPriority that goes
// with it (-1, 0, 1), else normal. Runs after the received-mail defaults, which set the priority.
void setImportance(std::optional<std::int32_t> fromHeaders, const OutsideFacts& outside,
                   mapi::Message& msg);

void mapEnvelope(const HeaderView& headers, const EnvelopeContext& context, mapi::Message& msg);

}  // namespace tolvane::mime
