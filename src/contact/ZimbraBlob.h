#pragma once

// The blob Zimbra keeps beside a contact's fields when the contact has files (its photo,
// attached documents): a multipart/mixed MIME message, one part per file, each part's
// Content-Disposition naming the contact field it belongs to ("field=image").

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "contact/ContactRecord.h"

namespace tolvane::contact {

// The files of the blob; a part that cannot be read adds a sentence to `issues`.
std::vector<ContactFile> filesOfZimbraBlob(std::span<const std::uint8_t> blob,
                                           std::vector<std::string>& issues);

}  // namespace tolvane::contact
