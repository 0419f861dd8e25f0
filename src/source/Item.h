#pragma once

#include <optional>
#include <string>

#include "source/ItemBytes.h"
#include "source/ItemKind.h"
#include "source/Meta.h"

namespace tolvane::source {

// One thing a source yields: a message, contact, appointment, task, document, folder or tag.
struct Item {
    ItemKind kind = ItemKind::Other;
    std::string source;        // the queued file's path, UTF-8
    std::string entry;         // its entry's name inside an archive; empty for a file of its own
    std::optional<Meta> meta;  // what Zimbra's .meta says, when it wrote one
    std::optional<ItemBytes> bytes;  // none for a .meta-only item (a folder, a tag, a contact)

    // "SOURCE: ENTRY", or the source alone: how reports name the item.
    std::string reportName() const { return entry.empty() ? source : source + ": " + entry; }
};

}  // namespace tolvane::source
