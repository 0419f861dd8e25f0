#pragma once

// What the importers and the folder rule read from a .meta's bencoded "metadata": a folder's
// default view and colour, a contact's fields, and the whole structure for the calendar's "inv".

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "source/Bencode.h"
#include "source/Meta.h"

namespace tolvane::source {

// The parsed "metadata"; an empty dictionary when the .meta has none. Throws BencodeError.
BValue metadataOf(const Meta& meta);

// A folder's default view "vt", a ZimbraType byte: 5 mail, 6 contacts, 11 appointments,
// 15 tasks, 8 documents.
std::optional<int> folderViewOf(const BValue& metadata);

// The colour "c": a small number for one of Zimbra's named colours, or an RGB value.
std::optional<std::int64_t> colourOf(const BValue& metadata);

// A contact's fields "fld" (Zimbra's names: firstName, email, workPhone, ...), in the order
// written; an empty list when there are none.
std::vector<std::pair<std::string, std::string>> contactFieldsOf(const BValue& metadata);

}  // namespace tolvane::source
