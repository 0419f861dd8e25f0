#pragma once

// What kind of picture bytes hold, by their signature: a contact photo must be an image,
// whatever the card or the archive said it was.

#include <optional>
#include <string>

#include "mapi/PropValue.h"

namespace tolvane::contact {

struct ImageType {
    std::string mimeType;   // "image/jpeg"
    std::string extension;  // ".jpg"
};

std::optional<ImageType> imageTypeOf(const mapi::Bytes& data);

}  // namespace tolvane::contact
