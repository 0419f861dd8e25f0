#pragma once

// Facts about one MIME entity that body choice and attachment mapping both need.

#include <gmime/gmime.h>

#include <string>

#include "mime/ContentParams.h"

namespace tolvane::mime {

struct PartInfo {
    std::string mimeType;          // "type/subtype", lower-case, from GMime's parse
    ContentParams type;            // Content-Type with parameters, our decoding
    ContentParams disposition;     // Content-Disposition, our decoding (value "" if absent)
    bool unknownEncoding = false;  // a Content-Transfer-Encoding GMime cannot undo

    bool isAttachmentDisposition() const { return disposition.value == "attachment"; }
};

PartInfo partInfo(GMimeObject* object);

}  // namespace tolvane::mime
